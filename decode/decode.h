#pragma once
// The decoders the extraction driver calls. Each works on ExtractState: the
// SelfImage positioned at the entry's first data byte, RemainingInput,
// RunningCrc, OutputHandle and, for an encrypted entry, the CipherKeys.
#include <cstdint>

#include "runtime/string.h"

// Method 0: copies RemainingInput bytes, decrypting when the entry is encrypted.
void CopyStoredEntry();
// Method 8: decodes the entry's Deflate data through the OutputWindow.
void DecodeDeflateEntry();

// Traditional PKWARE decryption.
void UpdateKeys(std::uint8_t plain);
void InitKeys(const String& password);
std::uint8_t KeystreamByte();
std::uint8_t DecryptByte(std::uint8_t cipher);
// `header` holds 2 * length bytes: the cipher copy in the second half is only
// read, the decrypted header goes to the first half. True: the password fits.
bool CheckEncryptionHeader(std::uint8_t* header, int length, std::uint16_t flags, std::uint32_t timeAndDate,
                           std::uint32_t crc32, const String& password);

constexpr int EncryptionHeaderSize = 12;
