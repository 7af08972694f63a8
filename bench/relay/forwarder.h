#pragma once
// The floor any relay pays: one recvfrom per datagram in, one sendto per listener out.

#include <netinet/in.h>

#ifdef __cplusplus
extern "C" {
#endif

// Receives on UDP port `port` (any address) and sends every datagram to each of the `n`
// destinations. Socket buffers are asked to be `buffer` bytes, as the relay asks for its own.
// Never returns; the process is ended from outside.
void run_plain_forwarder(unsigned short port, const struct sockaddr_in* dests, int n, int buffer);

#ifdef __cplusplus
}
#endif
