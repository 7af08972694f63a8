#include "Scramble.h"

#include "Message.h"

#include <array>
#include <cstdint>
#include <utility>

namespace korvel {

namespace {
constexpr char kKey[] = "Quillon (k) Marsh 7246, Bexhaven Glassworks";
} // namespace

QByteArray Scramble(const QByteArray& bytes) {
    // An RC4 keystream whose key set-up walks the table downwards; set up afresh for every
    // text, so every scrambled text starts at the same point of the stream.
    std::array<uint8_t, 256> S{};
    for (int x = 0; x < 256; ++x) S[x] = static_cast<uint8_t>(x);
    const int L = static_cast<int>(sizeof(kKey) - 1);
    uint8_t j = 0;
    int k = 0;
    for (int x = 255; x >= 0; --x) {
        j = static_cast<uint8_t>(j + static_cast<uint8_t>(kKey[k]) + S[x]);
        std::swap(S[x], S[j]);
        if (++k == L) k = 0;
    }
    uint8_t i = 0;
    j = 0;
    QByteArray out = bytes;
    for (auto& c : out) {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + S[i]);
        std::swap(S[i], S[j]);
        c = static_cast<char>(static_cast<uint8_t>(c) ^ S[static_cast<uint8_t>(S[i] + S[j])]);
    }
    return out;
}

QString Scramble(const QString& text) { return fromWireText(Scramble(toWireText(text))); }

} // namespace korvel
