#include "word_processor_files.h"

#include <cstdint>

namespace larkspan::zuv0::testing {

namespace {

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::string WordPerfectHeader(std::uint32_t documentAt, unsigned char fileType, unsigned char major) {
    std::string header("\xFFWPC", 4);
    header.resize(16, '\0');
    Put32(header, 4, documentAt);
    header[8] = 1;  // the product: WordPerfect
    header[9] = static_cast<char>(fileType);
    header[10] = static_cast<char>(major);
    return header;
}

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

std::string DirectoryEntry(std::u16string_view name, char type, std::uint32_t child, std::uint32_t start,
                           std::uint32_t size) {
    std::string entry(128, '\0');
    for (std::size_t i = 0; i < name.size(); ++i) Put16(entry, 2 * i, name[i]);
    Put16(entry, 64, static_cast<std::uint16_t>(2 * (name.size() + 1)));
    entry[66] = type;
    entry[67] = 1;  // black
    Put32(entry, 68, kFree);
    Put32(entry, 72, kFree);
    Put32(entry, 76, child);
    Put32(entry, 116, start);
    Put32(entry, 120, size);
    return entry;
}

}  // namespace

std::string WordPerfect5(std::string_view text, unsigned char fileType, unsigned char major) {
    return WordPerfectHeader(16, fileType, major) + std::string(text);
}

std::string WordPerfect6(std::string_view text) {
    // An index header: its flags, no packets, and reserved bytes.
    const std::string index("\x02\0\0\0\0\0\0\0\0\0\0\0\0\0", 14);
    std::string header = WordPerfectHeader(16 + static_cast<std::uint32_t>(index.size()), 0x0A, 2);
    Put16(header, 14, 16);  // where the index header lies
    std::string body;
    for (char c : text) body += c == ' ' ? '\x80' : c == '\n' ? '\xCC' : c;  // soft space, hard return
    return header + index + body;
}

std::string WordForDos(std::string_view text) {
    constexpr std::uint32_t kPage = 128;
    std::string body;
    for (char c : text) body += c == '\n' ? std::string("\r\n") : std::string(1, c);
    const auto textEnd = static_cast<std::uint32_t>(kPage + body.size());
    const std::uint32_t characterPage = (textEnd + kPage - 1) / kPage;
    const std::uint32_t paragraphPage = characterPage + 1, pageCount = paragraphPage + 1;

    std::string file(kPage, '\0');
    Put16(file, 0, 0xBE31);
    Put16(file, 4, 0xAB00);
    Put32(file, 14, textEnd);
    Put16(file, 18, static_cast<std::uint16_t>(paragraphPage));
    for (std::size_t at : {20, 22, 24, 26, 28}) Put16(file, at, static_cast<std::uint16_t>(pageCount));
    Put16(file, 106, static_cast<std::uint16_t>(pageCount));
    file += body;
    file.resize(characterPage * kPage, '\0');
    // A page of properties: where its text starts, one run to the end of the text with the default
    // properties, and the number of runs in its last byte.
    std::string properties(kPage, '\0');
    Put32(properties, 0, kPage);
    Put32(properties, 4, textEnd);
    Put16(properties, 8, 0xFFFF);
    properties[kPage - 1] = 1;
    return file + properties + properties;
}

std::string CompoundWithStream(std::u16string_view name, std::string_view bytes) {
    constexpr std::size_t kSector = 512, kStreamSize = 4096;
    std::string stream(bytes);
    if (stream.size() < kStreamSize) stream.resize(kStreamSize, '\0');
    const std::size_t streamSectors = (stream.size() + kSector - 1) / kSector;
    stream.resize(streamSectors * kSector, '\0');

    std::string header(kSector, '\xFF');
    const std::string magic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.replace(0, magic.size(), magic);
    header.replace(8, 68, std::string(68, '\0'));
    Put16(header, 24, 0x3E);
    Put16(header, 26, 3);
    Put16(header, 28, 0xFFFE);
    Put16(header, 30, 9);  // 512-byte sectors
    Put16(header, 32, 6);  // 64-byte mini sectors
    Put32(header, 44, 1);  // allocation table sectors
    Put32(header, 48, 1);  // the directory's first sector
    Put32(header, 56, 4096);
    Put32(header, 60, kEndOfChain);
    Put32(header, 68, kEndOfChain);
    Put32(header, 76, 0);  // the allocation table is sector 0

    // Sector 0 the allocation table, 1 the directory, 2 on the stream.
    std::string table(kSector, '\xFF');
    Put32(table, 0, 0xFFFFFFFD);
    Put32(table, 4, kEndOfChain);
    for (std::size_t i = 0; i < streamSectors; ++i)
        Put32(table, 4 * (2 + i), i + 1 < streamSectors ? static_cast<std::uint32_t>(3 + i) : kEndOfChain);
    std::string directory = DirectoryEntry(u"Root Entry", 5, 1, kEndOfChain, 0) +
                            DirectoryEntry(name, 2, kFree, 2, static_cast<std::uint32_t>(stream.size()));
    directory.resize(kSector, '\0');
    for (std::size_t at = 256; at < kSector; at += 128) {  // unused entries point nowhere
        Put32(directory, at + 68, kFree);
        Put32(directory, at + 72, kFree);
        Put32(directory, at + 76, kFree);
    }
    return header + table + directory + stream;
}

}  // namespace larkspan::zuv0::testing
