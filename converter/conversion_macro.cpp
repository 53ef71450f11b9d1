#include "conversion_macro.h"

#include "profile_files.h"

#include <fstream>
#include <utility>

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

// The Basic source. The document stays open between the two steps in a Global: Basic clears a module's
// other variables whenever a macro starts. The interaction handler answers as LibreOffice's own quiet one
// does (a warning is let pass, anything else is refused), and remembers a password request, so that a
// password-protected file is told from a damaged one.
constexpr std::string_view kModule = R"basic(Option Explicit

Global oDocument As Object
Global sAsked As String
Global oHandler As Object
Global sExchange As String
Global aRequest(5) As String

Function Exchange() As String
    If sExchange = "" Then
        sExchange = CreateUnoService("com.sun.star.util.PathSubstitution").substituteVariables("$(user)", True) & "/larkspan/"
    End If
    Exchange = sExchange
End Function

' The request's lines: source, target, the filter to save with, the filter to load with, its number.
Sub ReadRequest
    Dim nFile As Integer, nAt As Integer
    nFile = FreeFile
    Open ConvertFromURL(Exchange() & "request") For Input As #nFile
    For nAt = 1 To 5
        Line Input #nFile, aRequest(nAt)
    Next
    Close #nFile
End Sub

Function Requested(nLine As Integer) As String
    Requested = aRequest(nLine)
End Function

' The answer begins with the request's number, so that an answer left from an earlier request is never
' taken for this one's.
Sub Answer(sStage As String, sMessage As String)
    Dim nFile As Integer
    nFile = FreeFile
    Open ConvertFromURL(Exchange() & "answer") For Output As #nFile
    Print #nFile, aRequest(5)
    Print #nFile, sStage
    Print #nFile, sMessage
    Close #nFile
End Sub

Sub Discard
    On Error Resume Next
    If IsNull(oDocument) Then Exit Sub
    oDocument.close(True)
    If Err <> 0 Then oDocument.dispose()
    oDocument = Nothing
End Sub

Sub Ask_handle(oRequest As Object)
    Dim oCause As Variant, sType As String, bWarning As Boolean, oChoice As Variant
    oCause = oRequest.getRequest()
    sType = CreateUnoService("com.sun.star.reflection.CoreReflection").getType(oCause).Name
    If InStr(sType, "PasswordRequest") > 0 Then sAsked = "password"
    If sType = "com.sun.star.task.ErrorCodeRequest" Then bWarning = oCause.ErrCode < 0
    For Each oChoice In oRequest.getContinuations()
        If bWarning And HasUnoInterfaces(oChoice, "com.sun.star.task.XInteractionApprove") Then
            oChoice.select()
            Exit Sub
        End If
    Next
    For Each oChoice In oRequest.getContinuations()
        If HasUnoInterfaces(oChoice, "com.sun.star.task.XInteractionAbort") Then
            oChoice.select()
            Exit Sub
        End If
    Next
End Sub

Sub Load
    Dim sStage As String, sMessage As String
    Discard
    sAsked = ""
    sStage = "load"
    On Error Goto Failed
    ReadRequest
    Dim aLoad(3) As New com.sun.star.beans.PropertyValue, sFilter As String
    aLoad(0).Name = "Hidden"
    aLoad(0).Value = True
    aLoad(1).Name = "MacroExecutionMode"
    aLoad(1).Value = 0 ' com.sun.star.document.MacroExecMode.NEVER_EXECUTE
    aLoad(2).Name = "UpdateDocMode"
    aLoad(2).Value = 0 ' com.sun.star.document.UpdateDocMode.NO_UPDATE
    aLoad(3).Name = "InteractionHandler"
    If IsNull(oHandler) Then oHandler = CreateUnoListener("Ask_", "com.sun.star.task.XInteractionHandler")
    aLoad(3).Value = oHandler
    sFilter = Requested(4)
    If sFilter <> "" Then
        ReDim Preserve aLoad(4) As New com.sun.star.beans.PropertyValue
        aLoad(4).Name = "FilterName"
        aLoad(4).Value = sFilter
    End If
    oDocument = StarDesktop.loadComponentFromURL(Requested(1), "_blank", 0, aLoad())
    If IsNull(oDocument) Then Goto Done
    If Not oDocument.supportsService("com.sun.star.text.TextDocument") Then
        sStage = "kind"
        Goto Done
    End If
    sStage = "loaded"
Done:
    On Error Resume Next
    If sStage <> "loaded" Then Discard
    If sStage = "load" And sAsked <> "" Then sStage = sAsked
    Answer(sStage, sMessage)
    Exit Sub
Failed:
    sMessage = Error$
    Resume Done
End Sub

Sub Save
    Dim sStage As String, sMessage As String
    sStage = "save"
    On Error Goto Failed
    Dim aStore(1) As New com.sun.star.beans.PropertyValue
    aStore(0).Name = "FilterName"
    aStore(0).Value = Requested(3)
    aStore(1).Name = "Overwrite"
    aStore(1).Value = True
    oDocument.storeToURL(Requested(2), aStore())
    sStage = "saved"
Done:
    On Error Resume Next
    Discard
    Answer(sStage, sMessage)
    Exit Sub
Failed:
    sMessage = Error$
    Resume Done
End Sub
)basic";

constexpr std::string_view kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string EscapedXml(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// The library files as LibreOffice itself writes them: the containers name the one library, Standard,
// which holds our module and no dialogs.
std::pair<fs::path, std::string> LibraryFiles(std::size_t index) {
    const std::string containers =
        "<!DOCTYPE library:libraries PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" "
        "\"libraries.dtd\">\n<library:libraries xmlns:library=\"http://openoffice.org/2000/library\" "
        "xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n <library:library library:name=\"Standard\" "
        "library:link=\"false\"/>\n</library:libraries>\n";
    const std::string library =
        "<!DOCTYPE library:library PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" "
        "\"library.dtd\">\n<library:library xmlns:library=\"http://openoffice.org/2000/library\" "
        "library:name=\"Standard\" library:readonly=\"false\" library:passwordprotected=\"false\"";
    switch (index) {
        case 0:
            return {"script.xlc", std::string(kHeader) + containers};
        case 1:
            return {"dialog.xlc", std::string(kHeader) + containers};
        case 2:
            return {"Standard/script.xlb", std::string(kHeader) + library +
                                               ">\n <library:element library:name=\"Larkspan\"/>\n"
                                               "</library:library>\n"};
        case 3:
            return {"Standard/dialog.xlb", std::string(kHeader) + library + "/>\n"};
        default:
            return {"Standard/Larkspan.xba",
                    std::string(kHeader) +
                        "<!DOCTYPE script:module PUBLIC \"-//OpenOffice.org//DTD OfficeDocument 1.0//EN\" "
                        "\"module.dtd\">\n<script:module xmlns:script=\"http://openoffice.org/2000/script\" "
                        "script:name=\"Larkspan\" script:language=\"StarBasic\" "
                        "script:moduleType=\"normal\">" +
                        EscapedXml(kModule) + "</script:module>\n"};
    }
}
constexpr std::size_t kLibraryFileCount = 5;

}  // namespace

std::string FilterForFormat(std::string_view format) {
    // The names LibreOfficeKit chooses for a text document's extensions.
    static constexpr std::pair<std::string_view, std::string_view> kFilters[] = {
        {"doc", "MS Word 97"},
        {"docx", "MS Word 2007 XML"},
        {"docm", "MS Word 2007 XML VBA"},
        {"dot", "MS Word 97 Vorlage"},
        {"dotx", "MS Word 2007 XML Template"},
        {"odt", "writer8"},
        {"ott", "writer8_template"},
        {"fodt", "OpenDocument Text Flat XML"},
        {"rtf", "Rich Text Format"},
        {"txt", "Text"},
        {"html", "HTML (StarWriter)"},
        {"xhtml", "XHTML Writer File"},
        {"pdf", "writer_pdf_Export"},
        {"epub", "EPUB"},
    };
    for (const auto& [extension, filter] : kFilters)
        if (extension == format) return std::string(filter);
    return {};
}

ConversionMacro::ConversionMacro(const fs::path& profileFolder)
    : basic_(profileFolder / "user" / "basic"), exchange_(profileFolder / "user" / "larkspan") {}

std::error_code ConversionMacro::Install() const {
    std::error_code error;
    fs::create_directories(basic_ / "Standard", error);
    if (!error) fs::create_directories(exchange_, error);
    for (std::size_t i = 0; i < kLibraryFileCount && !error; ++i) {
        const auto [name, text] = LibraryFiles(i);
        if (ReadWholeFile(basic_ / name) != text) error = ReplaceWholeFile(basic_ / name, text);
    }
    return error;
}

std::error_code ConversionMacro::Request(const std::string& sourceUrl, const std::string& targetUrl,
                                         const std::string& filter, const std::string& loadFilter) {
    // File URLs are percent-encoded, so a line break in a name cannot split a line here. Written in place:
    // a new file for every request would cost more than the rest of the exchange (see docs/performance.md).
    number_ = std::to_string(++requests_);
    std::ofstream out(exchange_ / "request", std::ios::binary | std::ios::trunc);
    out << sourceUrl << '\n' << targetUrl << '\n' << filter << '\n' << loadFilter << '\n' << number_ << '\n';
    out.close();
    return out ? std::error_code() : std::make_error_code(std::errc::io_error);
}

ConversionMacro::Answer ConversionMacro::TakeAnswer() const {
    Answer answer;
    std::ifstream in(exchange_ / "answer", std::ios::binary);
    std::string number;
    std::getline(in, number);
    if (!number.empty() && number.back() == '\r') number.pop_back();
    if (number != number_) return answer;
    std::getline(in, answer.stage);
    if (!answer.stage.empty() && answer.stage.back() == '\r') answer.stage.pop_back();
    std::string line;
    while (std::getline(in, line)) answer.message += (answer.message.empty() ? "" : " ") + line;
    while (!answer.message.empty() && (answer.message.back() == ' ' || answer.message.back() == '\r'))
        answer.message.pop_back();
    return answer;
}

}  // namespace larkspan::zuv0
