// Documents that reach beyond themselves: external entities, linked pictures and objects, fields that
// include other files, macros. Each is converted to both formats with the real LibreOffice, and the .doc
// written is converted once more; nothing of the
// files they point at may come into the output (read back by pandoc or catdoc, and searched byte for byte,
// every part of a .docx unzipped), and nothing may reach the network: they point at a listening socket on
// the loopback address, which must see no connection.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <zlib.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "zip_builder.h"

namespace larkspan::zuv0::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// Written into the files the documents point at, and looked for in everything that comes out.
constexpr std::string_view kSecretText = "GRAVELPITSECRET";
constexpr std::string_view kSecretPicture = "SALTMARSHSECRET";
constexpr std::string_view kVisible = "Visible text";

std::string Chunk(std::string_view type, std::string_view data) {
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(data.size() >> shift & 0xFF);
    std::string body = std::string(type) + std::string(data);
    chunk += body;
    const uLong crc = ::crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>(crc >> shift & 0xFF);
    return chunk;
}

// A one-pixel PNG whose text chunk holds the secret: if LibreOffice ever embedded the picture, its bytes,
// secret included, would be in the output.
std::string SecretPng() {
    const std::string pixel("\0\xFF\0\0", 4);
    std::string packed(64, '\0');
    uLongf packedSize = packed.size();
    ::compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
               reinterpret_cast<const Bytef*>(pixel.data()), pixel.size());
    packed.resize(packedSize);
    return "\x89PNG\r\n\x1A\n" + Chunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\x02\0\0\0", 13)) +
           Chunk("tEXt", "Comment" + std::string(1, '\0') + std::string(kSecretPicture)) +
           Chunk("IDAT", packed) + Chunk("IEND", "");
}

// What a row's document may point at.
struct Targets {
    std::string text;     // a local text file holding the secret, as a path
    std::string picture;  // a local PNG holding the secret, as a path
    std::string web;      // "http://127.0.0.1:PORT", where nothing may ever connect
};

struct HostileCase {
    std::string name;
    std::string sourceName;
    std::function<std::string(const Targets&)> bytes;
    // Whether LibreOffice reads it at all; one it refuses is "not a document".
    bool loads = true;
};

void PrintTo(const HostileCase& row, std::ostream* out) {
    *out << row.name;
}

std::string Docx(std::string_view body, std::string_view doctype = {}, std::string_view relationships = {}) {
    return BuildZip(
        WordParts(std::string(body) + "<w:p><w:r><w:t>" + std::string(kVisible) + "</w:t></w:r></w:p>",
                  doctype, relationships));
}

std::string Relationship(std::string_view id, std::string_view type, std::string_view target) {
    return "<Relationship Id=\"" + std::string(id) +
           "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
           std::string(type) + "\" Target=\"" + std::string(target) + "\" TargetMode=\"External\"/>";
}

std::string ComplexField(std::string_view instruction) {
    return "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> " +
           std::string(instruction) +
           " </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>last "
           "result</w:t>"
           "</w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
}

std::string LinkedDrawing(std::string_view relationship) {
    return "<w:p><w:r><w:drawing><wp:inline><wp:extent cx=\"914400\" cy=\"914400\"/><wp:docPr id=\"1\" "
           "name=\"P\"/>"
           "<a:graphic><a:graphicData "
           "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic>"
           "<pic:nvPicPr><pic:cNvPr id=\"1\" name=\"P\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip "
           "r:link=\"" +
           std::string(relationship) +
           "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/>"
           "<a:ext cx=\"914400\" cy=\"914400\"/></a:xfrm><a:prstGeom prst=\"rect\"/></pic:spPr></pic:pic>"
           "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r></w:p>";
}

std::string EntityDoctype(std::string_view root, std::string_view entities) {
    return "<!DOCTYPE " + std::string(root) + " [" + std::string(entities) + "]>\n";
}

// "Billion laughs": ten levels of entities, each ten of the one before.
std::string Laughs() {
    std::string entities = "<!ENTITY l0 \"lol\">";
    for (int level = 1; level < 10; ++level) {
        entities += "<!ENTITY l" + std::to_string(level) + " \"";
        for (int i = 0; i < 10; ++i) entities += "&l" + std::to_string(level - 1) + ";";
        entities += "\">";
    }
    return entities;
}

std::string Word2003Xml(std::string_view doctype, std::string_view text) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + std::string(doctype) +
           "<?mso-application progid=\"Word.Document\"?>\n"
           "<w:wordDocument "
           "xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body><w:p><w:r>"
           "<w:t>" +
           std::string(text) + "</w:t></w:r></w:p><w:p><w:r><w:t>" + std::string(kVisible) +
           "</w:t></w:r></w:p></w:body></w:wordDocument>\n";
}

const std::vector<HostileCase> kHostileCases = {
    {"ExternalEntityInWordXml", "entity.docx",
     [](const Targets& t) {
         return Docx("<w:p><w:r><w:t>[&x;]</w:t></w:r></w:p>",
                     EntityDoctype("w:document", "<!ENTITY x SYSTEM \"file://" + t.text + "\">"));
     },
     false},
    {"ExternalEntityOnTheNetwork", "entity.docx",
     [](const Targets& t) {
         return Docx("<w:p><w:r><w:t>[&x;]</w:t></w:r></w:p>",
                     EntityDoctype("w:document", "<!ENTITY x SYSTEM \"" + t.web + "/entity\">"));
     },
     false},
    {"ExternalEntityInWord2003Xml", "entity.doc",
     [](const Targets& t) {
         return Word2003Xml(EntityDoctype("w:wordDocument", "<!ENTITY x SYSTEM \"file://" + t.text + "\">"),
                            "[&x;]");
     }},
    {"ExternalEntityInFlatOpenDocument", "entity.doc",
     [](const Targets& t) {
         return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" +
                EntityDoctype("office:document", "<!ENTITY x SYSTEM \"file://" + t.text + "\">") +
                "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
                "office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
                "<text:p>[&x;]</text:p><text:p>Visible "
                "text</text:p></office:text></office:body></office:document>\n";
     },
     false},
    {"EntityExpansionInWordXml", "laughs.docx",
     [](const Targets&) {
         return Docx("<w:p><w:r><w:t>&l9;</w:t></w:r></w:p>", EntityDoctype("w:document", Laughs()));
     },
     false},
    {"EntityExpansionInWord2003Xml", "laughs.doc",
     [](const Targets&) { return Word2003Xml(EntityDoctype("w:wordDocument", Laughs()), "&l9;"); }, false},
    {"IncludeTextFields", "include.docx",
     [](const Targets& t) {
         return Docx("<w:p><w:fldSimple w:instr=' INCLUDETEXT \"" + t.text +
                     "\" '><w:r><w:t>last result</w:t></w:r></w:fldSimple></w:p>" +
                     ComplexField("INCLUDETEXT \"" + t.text + "\"") +
                     ComplexField("INCLUDETEXT \"" + t.web + "/include.txt\""));
     }},
    {"IncludePictureFields", "include.docx",
     [](const Targets& t) {
         return Docx(ComplexField("INCLUDEPICTURE \"" + t.picture + "\" \\d") +
                     ComplexField("INCLUDEPICTURE \"" + t.web + "/include.png\" \\d"));
     }},
    {"LinkedPictures", "linked.docx",
     [](const Targets& t) {
         return Docx(LinkedDrawing("rIdLocal") + LinkedDrawing("rIdWeb"), {},
                     Relationship("rIdLocal", "image", "file://" + t.picture) +
                         Relationship("rIdWeb", "image", t.web + "/linked.png"));
     }},
    {"OleLinks", "ole.docx",
     [](const Targets& t) {
         std::string body;
         for (std::string_view id : {"rIdLocal", "rIdWeb"})
             body +=
                 "<w:p><w:r><w:object w:dxaOrig=\"1000\" w:dyaOrig=\"1000\"><v:shape id=\"s" +
                 std::string(id) +
                 "\" style=\"width:50pt;height:50pt\"><v:imagedata r:id=\"rIdPicture\"/></v:shape>"
                 "<o:OLEObject Type=\"Link\" ProgID=\"Package\" ShapeID=\"s" +
                 std::string(id) + "\" DrawAspect=\"Content\" r:id=\"" + std::string(id) +
                 "\" UpdateMode=\"Always\"><o:LinkType>EnhancedMetaFile</o:LinkType></o:OLEObject></w:object>"
                 "</w:r></w:p>";
         return Docx(body, {},
                     Relationship("rIdLocal", "oleObject", "file://" + t.text) +
                         Relationship("rIdWeb", "oleObject", t.web + "/object.doc") +
                         Relationship("rIdPicture", "image", "file://" + t.picture));
     }},
    {"HtmlPicturesFrameAndEntity", "page.doc",
     [](const Targets& t) {
         return "<!DOCTYPE html [<!ENTITY x SYSTEM \"file://" + t.text + "\">]><html><body><p>[&x;]</p>" +
                "<img src=\"file://" + t.picture + "\"><img src=\"" + t.web +
                "/page.png\"><iframe src=\"file://" + t.text + "\"></iframe><iframe src=\"" + t.web +
                "/frame.html\"></iframe><p>Visible text</p>" + "</body></html>";
     }},
    // This LibreOffice's RTF reader would embed the picture an INCLUDEPICTURE field names.
    {"RtfFields", "fields.doc",
     [](const Targets& t) {
         std::string rtf = "{\\rtf1\\ansi ";
         for (const std::string& field :
              {"INCLUDETEXT \"" + t.text + "\"", "INCLUDEPICTURE \"" + t.picture + "\" \\\\d",
               "INCLUDEPICTURE \"" + t.web + "/rtf.png\" \\\\d", "INCLUDETEXT \"" + t.web + "/rtf.txt\""})
             rtf += "{\\field{\\*\\fldinst " + field + "}{\\fldrslt last result}}\\par ";
         return rtf + "Visible text\\par}";
     }},
    // Thousands of tables inside one another: refused by LibreOffice within seconds.
    {"DeeplyNestedHtmlTables", "nested.doc",
     [](const Targets&) {
         std::string html = "<html><body>";
         for (int i = 0; i < 5000; ++i) html += "<table><tr><td>";
         html += "deep";
         for (int i = 0; i < 5000; ++i) html += "</td></tr></table>";
         return html + "<p>Visible text</p></body></html>";
     },
     false},
};

// A socket listening on the loopback address, which counts the connections made to it.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 64) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ADD_FAILURE() << "cannot listen on the loopback address";
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Connections the kernel accepted on our behalf since the last call.
    int Connections() {
        int count = 0;
        for (int client; (client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0; ++count)
            ::close(client);
        return count;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

Finished Convert(const fs::path& source, const fs::path& target, std::vector<std::string> environment = {}) {
    environment.push_back("XDG_CACHE_HOME=" + kCacheHome.string());
    return Run({kZuv0.string(), "-f", source.string(), target.string()}, environment);
}

// Everything a converted file holds: each part of a .docx inflated, a .doc as it is.
std::string RawContent(const fs::path& file) {
    if (file.extension() != ".docx") return ReadText(file);
    const Finished unzipped = Run({"unzip", "-p", file.string()});
    EXPECT_EQ(unzipped.exitCode, 0) << unzipped.err;
    return unzipped.out;
}

class HostileDocument : public ::testing::TestWithParam<HostileCase> {
protected:
    HostileDocument() {
        fs::create_directory(folder_ / "elsewhere");
        WriteBytes(folder_ / "elsewhere" / "notes.txt", std::string(kSecretText) + "\n");
        WriteBytes(folder_ / "elsewhere" / "photo.png", SecretPng());
    }
    TempFolder folder_;
    Listener listener_;
};

TEST_P(HostileDocument, BringsInNothingAndReachesNothing) {
    const HostileCase& row = GetParam();
    const Targets targets{(folder_ / "elsewhere" / "notes.txt").string(),
                          (folder_ / "elsewhere" / "photo.png").string(), listener_.url()};
    const fs::path source = folder_ / row.sourceName;
    WriteBytes(source, row.bytes(targets));

    // Each format in turn; then the .doc written, itself a Word 97 source holding the links and fields as
    // LibreOffice kept them (INCLUDETEXT, INCLUDEPICTURE for a linked picture), is converted once more.
    const std::vector<std::pair<fs::path, std::string>> steps = {
        {source, "converted.docx"}, {source, "converted.doc"}, {folder_ / "converted.doc", "again.docx"}};
    for (const auto& [from, name] : steps) {
        SCOPED_TRACE(name);
        if (!row.loads && from != source) break;
        const fs::path target = folder_ / name;
        const Finished run = Convert(from, target);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(listener_.Connections(), 0) << "LibreOffice reached for the network";
        if (!row.loads) {
            EXPECT_EQ(run.exitCode, kNotADocument) << run.err;
            EXPECT_THAT(run.err, HasSubstr("Zuv0: not a document: "));
            EXPECT_FALSE(fs::exists(target));
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string text = ReadBack(target);
        EXPECT_THAT(text, HasSubstr(std::string(kVisible)));
        for (const std::string& content : {text, RawContent(target)}) {
            EXPECT_THAT(content, Not(HasSubstr(std::string(kSecretText))));
            EXPECT_THAT(content, Not(HasSubstr(std::string(kSecretPicture))));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, HostileDocument, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return info.param.name; });

// The profile's settings say so, and a document whose "open document" event runs a Basic macro (made by
// samples/source/make_samples.py, which checks that the macro does run where macros are allowed) is
// converted without the macro writing its file.
TEST(Macros, NeverRun) {
    TempFolder folder;
    const fs::path source = folder / "invoice.doc";
    fs::copy_file(kSamples / "hostile" / "macro-on-open.odt", source);
    const fs::path proof = folder / "the macro ran.txt";
    const fs::file_time_type started = fs::file_time_type::clock::now();

    const Finished run = Convert(source, folder / "invoice.docx", {"LARKSPAN_MACRO_PROOF=" + proof.string()});

    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(ReadBack(folder / "invoice.docx"), HasSubstr("whose macro writes a file when it is opened"));
    EXPECT_FALSE(fs::exists(proof));
    int profiles = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kCacheHome / "larkspan")) {
        // The profile this run used: LibreOffice rewrote its settings when it shut down.
        const fs::path settings = entry.path() / "user" / "registrymodifications.xcu";
        if (!fs::exists(settings) || fs::last_write_time(settings) < started) continue;
        ++profiles;
        const std::string text = ReadText(settings);
        for (std::string_view setting :
             {"Scripting\"><prop oor:name=\"MacroSecurityLevel\" oor:op=\"fuse\"><value>3</value>",
              "Scripting\"><prop oor:name=\"DisableMacrosExecution\" oor:op=\"fuse\"><value>true</value>",
              "Scripting\"><prop oor:name=\"BlockUntrustedRefererLinks\" oor:op=\"fuse\"><value>true</value>",
              "Update\"><prop oor:name=\"Link\" oor:op=\"fuse\"><value>0</value>"})
            EXPECT_NE(text.find(setting), std::string::npos) << settings << " lacks " << setting;
    }
    EXPECT_GT(profiles, 0);
}

}  // namespace
}  // namespace larkspan::zuv0::testing
