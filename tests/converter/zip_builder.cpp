#include "zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace larkspan::zuv0::testing {

namespace {

void Put16(std::string& out, std::uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Feeds the part's bytes, piece by piece, to `take`.
template <typename Take>
void EachPiece(const ZipEntry& entry, Take take) {
    take(entry.head);
    for (std::size_t i = 0; i < entry.count; ++i) take(entry.unit);
    take(entry.tail);
}

struct Packed {
    std::string bytes;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

Packed Pack(const ZipEntry& entry) {
    Packed packed;
    packed.crc = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
    z_stream stream{};
    if (entry.deflate &&
        ::deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string buffer(256 * 1024, '\0');
    auto run = [&](std::string_view piece, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
        stream.avail_in = static_cast<uInt>(piece.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            ::deflate(&stream, flush);
            packed.bytes.append(buffer.data(), buffer.size() - stream.avail_out);
        } while (stream.avail_out == 0);
    };
    EachPiece(entry, [&](const std::string& piece) {
        packed.crc = static_cast<std::uint32_t>(::crc32(
            packed.crc, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
        packed.size += piece.size();
        if (entry.deflate)
            run(piece, Z_NO_FLUSH);
        else
            packed.bytes += piece;
    });
    if (entry.deflate) {
        run({}, Z_FINISH);
        ::deflateEnd(&stream);
    }
    return packed;
}

}  // namespace

std::string BuildZip(const std::vector<ZipEntry>& entries) {
    std::string zip;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const Packed packed = Pack(entry);
        const std::uint32_t declared = static_cast<std::uint32_t>(entry.declaredSize.value_or(packed.size));
        const std::uint32_t offset = static_cast<std::uint32_t>(zip.size());
        const std::uint16_t method = entry.deflate ? 8 : 0;
        auto common = [&](std::string& out) {
            Put16(out, 20);  // version needed
            Put16(out, 0);   // flags
            Put16(out, method);
            Put32(out, 0);  // time and date
            Put32(out, packed.crc);
            Put32(out, static_cast<std::uint32_t>(packed.bytes.size()));
            Put32(out, declared);
            Put16(out, static_cast<std::uint32_t>(entry.name.size()));
            Put16(out, 0);  // extra field
        };
        zip += "PK\x03\x04";
        common(zip);
        zip += entry.name;
        zip += packed.bytes;

        directory += "PK\x01\x02";
        Put16(directory, 20);  // made by
        common(directory);
        Put16(directory, 0);  // comment
        Put16(directory, 0);  // disk
        Put16(directory, 0);  // internal attributes
        Put32(directory, 0);  // external attributes
        Put32(directory, offset);
        directory += entry.name;
    }
    const std::uint32_t directoryOffset = static_cast<std::uint32_t>(zip.size());
    zip += directory;
    zip += "PK\x05\x06";
    Put32(zip, 0);  // disk numbers
    Put16(zip, static_cast<std::uint32_t>(entries.size()));
    Put16(zip, static_cast<std::uint32_t>(entries.size()));
    Put32(zip, static_cast<std::uint32_t>(directory.size()));
    Put32(zip, directoryOffset);
    Put16(zip, 0);  // comment
    return zip;
}

std::string DocumentHead(std::string_view doctype) {
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
    head += doctype;
    head +=
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\" "
        "xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\">"
        "<w:body>";
    return head;
}

std::vector<ZipEntry> WordParts(std::string_view body, std::string_view doctype,
                                std::string_view relationships) {
    const std::string types =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "</Types>";
    const std::string packageRelationships =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/></Relationships>";
    const std::string documentRelationships =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
        std::string(relationships) + "</Relationships>";
    return {{"[Content_Types].xml", types},
            {"_rels/.rels", packageRelationships},
            {"word/_rels/document.xml.rels", documentRelationships},
            {"word/document.xml", DocumentHead(doctype) + std::string(body) + std::string(kDocumentTail)}};
}

}  // namespace larkspan::zuv0::testing
