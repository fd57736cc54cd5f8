// Traditional PKWARE decryption (the ZIP application note's stream cipher)
// and the password check on an entry's 12-byte encryption header.
#include "archive/extract_state.h"
#include "archive/records.h"
#include "decode/crc.h"
#include "decode/decode.h"

void UpdateKeys(std::uint8_t plain) {
    CipherKeys.key0 = CrcByte(plain, CipherKeys.key0);
    CipherKeys.key1 = (CipherKeys.key1 + (CipherKeys.key0 & 0xFF)) * 134775813u + 1;
    CipherKeys.key2 = CrcByte(static_cast<std::uint8_t>(CipherKeys.key1 >> 24), CipherKeys.key2);
}

void InitKeys(const String& password) {
    CipherKeys.key0 = 0x12345678u;
    CipherKeys.key1 = 0x23456789u;
    CipherKeys.key2 = 0x34567890u;
    // The character count is an 8-bit counter: at most 255 characters count.
    const std::size_t count = password.size() < 255 ? password.size() : 255;
    for (std::size_t i = 0; i < count; ++i) UpdateKeys(static_cast<std::uint8_t>(password[i]));
}

std::uint8_t KeystreamByte() {
    const std::uint16_t t = static_cast<std::uint16_t>((CipherKeys.key2 & 0xFFFF) | 2);
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(t) * (t ^ 1u)) >> 8);
}

std::uint8_t DecryptByte(std::uint8_t cipher) {
    const std::uint8_t plain = static_cast<std::uint8_t>(cipher ^ KeystreamByte());
    UpdateKeys(plain);
    return plain;
}

bool CheckEncryptionHeader(std::uint8_t* header, int length, std::uint16_t flags, std::uint32_t timeAndDate,
                           std::uint32_t crc32, const String& password) {
    if (password.empty()) return false;
    InitKeys(password);
    // The cipher copy in the second half stays untouched, so the check can be
    // repeated with another password on the same buffer.
    for (int i = 0; i < length; ++i) header[i] = DecryptByte(header[length + i]);
    const std::uint8_t check = header[length - 1];
    // Streamed entries (sizes and CRC in a data descriptor) check against the
    // high byte of the modification time; the others against the CRC's.
    const std::uint8_t expected = (flags & FlagDataDescriptor) ? static_cast<std::uint8_t>(timeAndDate >> 8)
                                                               : static_cast<std::uint8_t>(crc32 >> 24);
    return check == expected;
}
