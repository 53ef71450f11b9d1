// Convert: the ticked files, the Format and the Folder choice become one batch run in the progress window.

#include "batch/conversion_job.h"
#include "batch/progress_window.h"
#include "engine/word_location.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/settings_store.h"

namespace larkspan {

void MainWindowDialog::OnOK() {
    state_.WordVersionCode = FindWordInstallation(state_.WordFolder);
    DoDataExchange(true);

    const int count = list_->GetItemCount();
    int first = 0;
    while (first < count && !list_->GetCheck(first)) ++first;
    if (first == count) {
        messages_->Show("Please select files first!");
        return;
    }

    // A setting that cannot be stored costs only the choice next time; the run goes on, as its files matter
    // more than the memory of it.
    [[maybe_unused]] const bool folder = settings_.WriteString("CurrentDirectory", state_.m_strCurrentFolder);
    [[maybe_unused]] const bool output = settings_.WriteString("OutDir", state_.m_strOutDir);
    SaveOutputHistory();

    ConversionJob job;
    job.m_strOutputFolder = ResolveOutputFolder(state_.m_strOutDir, state_.m_strCurrentFolder);
    for (int row = first; row < count; ++row) {
        // The entry holds the name as it is on disk, byte for byte.
        if (list_->GetCheck(row))
            job.m_arrSources.push_back(paths::Join(state_.m_strCurrentFolder, list_->GetItemData(row)->name));
    }
    job.m_nExistingFilePolicy = PolicyAsk;
    job.m_nTargetFormat = state_.m_nFormat;
    job.m_strWordFolder = state_.WordFolder;
    job.m_nWordVersionCode = state_.WordVersionCode;

    ConverterSettings converter;
    converter.applicationFolder = state_.ApplicationFolder;
    // A value that is no number of MiB is named when the command line reads it; here the default holds.
    std::string ignored;
    converter.engineLimits = EngineLimits::FromEnvironment(ignored);
    {
        ProgressWindow window(job, settings_, converter, *messages_, this);
        window.SetExistingFileQuestion(question_);
        window.exec();
    }
    messages_->Show("Conversion Finished!");
}

}  // namespace larkspan
