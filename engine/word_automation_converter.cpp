#include "engine/word_automation_converter.h"

#include "engine/automation/automation_error.h"
#include "engine/automation/bstr.h"
#include "engine/automation/dispatch_driver.h"
#include "engine/document_kind.h"
#include "platform/message_box.h"

namespace larkspan {
namespace {

using namespace automation;

constexpr const char* kWordProgId = "Word.Application";

// Word's members, bound by number.
constexpr DispId kApplicationVisible = 0x17;
constexpr DispId kApplicationDocuments = 6;
constexpr DispId kDocumentsOpen = 0x13;
constexpr DispId kDocumentSaveAs = 0x178;
constexpr DispId kDocumentClose = 0x451;
constexpr DispId kApplicationQuit = 0x451;

constexpr std::int32_t kWdFormatDocument = 0;
constexpr std::int32_t kWdFormatXmlDocument = 12;
constexpr std::int16_t kWdDoNotSaveChanges = 0;

// Word reads a VT_ERROR where a file name belongs as "use the default", and saves under the document's
// own name: a path that could not be converted must not get that far.
void RequireText(const Variant& fileName) {
    if (fileName.type() != VT_BSTR) throw AutomationError(fileName.error(), "the path has no UTF-16 form");
}

}  // namespace

bool ConvertWithWord(std::string_view sourcePath, std::string_view targetPath, MessageBox& messages) {
    DispatchDriver application;
    DispatchDriver documents;
    DispatchDriver document;
    Variant missing = Variant::Error(DISP_E_PARAMNOTFOUND);

    if (!application.CreateDispatch(kWordProgId)) {
        messages.Show(kErrorStartingWord);
        return false;
    }

    Variant saveChanges = Variant::I2(kWdDoNotSaveChanges);
    bool quitSent = false;
    try {
        application.InvokeHelper(kApplicationVisible, InvokeKind::PropertyPut, VT_EMPTY, false);
        documents.AttachDispatch(
            application.InvokeHelper(kApplicationDocuments, InvokeKind::PropertyGet, VT_DISPATCH)
                .TakeDispatch());

        Variant sourceName;
        MakeBstrVariant(sourceName, sourcePath);
        RequireText(sourceName);
        Variant readOnly = Variant::I2(1);
        // FileName, ConfirmConversions, ReadOnly, then AddToRecentFiles to XMLTransform left to Word.
        document.AttachDispatch(documents
                                    .InvokeHelper(kDocumentsOpen, InvokeKind::Method, VT_DISPATCH,
                                                  &sourceName, &missing, &readOnly, &missing, &missing,
                                                  &missing, &missing, &missing, &missing, &missing, &missing,
                                                  &missing, &missing, &missing, &missing, &missing)
                                    .TakeDispatch());

        Variant targetName;
        MakeBstrVariant(targetName, targetPath);
        RequireText(targetName);
        Variant fileFormat =
            Variant::I4(GetDocumentKind(targetPath) == KindDocx ? kWdFormatXmlDocument : kWdFormatDocument);
        Variant lockComments = Variant::Bool(false);
        Variant password = Variant::Bstr(u"");
        Variant addToRecentFiles = Variant::Bool(true);
        Variant writePassword = Variant::Bstr(u"");
        Variant readOnlyRecommended = Variant::Bool(false);
        Variant embedTrueTypeFonts = Variant::Bool(false);
        Variant saveNativePictureFormat = Variant::Bool(false);
        Variant saveFormsData = Variant::Bool(false);
        Variant saveAsAoceLetter = Variant::Bool(false);
        // Encoding, InsertLineBreaks, AllowSubstitutions, LineEnding and AddBiDiMarks left to Word.
        document.InvokeHelper(kDocumentSaveAs, InvokeKind::Method, VT_EMPTY, &targetName, &fileFormat,
                              &lockComments, &password, &addToRecentFiles, &writePassword,
                              &readOnlyRecommended, &embedTrueTypeFonts, &saveNativePictureFormat,
                              &saveFormsData, &saveAsAoceLetter, &missing, &missing, &missing, &missing,
                              &missing);

        Variant closeSaveChanges = Variant::I2(kWdDoNotSaveChanges);
        document.InvokeHelper(kDocumentClose, InvokeKind::Method, VT_EMPTY, &closeSaveChanges, &missing,
                              &missing);
        closeSaveChanges.Clear();

        document.Release();
        documents.Release();

        quitSent = true;  // a Quit that fails is not sent a second time below
        application.InvokeHelper(kApplicationQuit, InvokeKind::Method, VT_EMPTY, &saveChanges, &missing,
                                 &missing);
    } catch (const AutomationError&) {
        document.Release();
        documents.Release();
        // An invisible Word left running would hold the document and pile up with every failed file.
        if (!quitSent) {
            try {
                application.InvokeHelper(kApplicationQuit, InvokeKind::Method, VT_EMPTY, &saveChanges,
                                         &missing, &missing);
            } catch (const AutomationError&) {
                // Nothing more can be done for it; the reference is still given back below.
            }
        }
        saveChanges.Clear();
        missing.Clear();
        application.Release();
        return false;
    }
    saveChanges.Clear();
    missing.Clear();
    application.Release();
    return true;
}

}  // namespace larkspan
