#include "forwarder.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

void run_plain_forwarder(unsigned short port, const struct sockaddr_in* dests, int n, int buffer) {
    int in = socket(AF_INET, SOCK_DGRAM, 0);
    int out = socket(AF_INET, SOCK_DGRAM, 0);
    if (in < 0 || out < 0) _exit(3);
    setsockopt(in, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    setsockopt(out, SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    struct sockaddr_in addr = {0};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (bind(in, (struct sockaddr*)&addr, sizeof addr) != 0) {
        perror("plain forwarder bind");
        _exit(3);
    }
    char buf[2048];
    for (;;) {
        ssize_t got = recvfrom(in, buf, sizeof buf, 0, NULL, NULL);
        if (got < 0 || got > 512) continue;
        for (int i = 0; i < n; ++i)
            sendto(out, buf, (size_t)got, 0, (const struct sockaddr*)&dests[i], sizeof dests[i]);
    }
}
