#pragma once
// One batch run's request: what Convert fills in and the worker carries out.

#include <string>
#include <vector>

#include "engine/document_kind.h"

namespace larkspan {

// What happens when a target already exists. The numbers are fixed: they are the policy's identity.
enum ExistingFilePolicy : int {
    PolicyOverwrite = 0,   // replace the existing target by the new file
    PolicyAutoRename = 1,  // write to the first free numbered name instead
    PolicyAsk = 2,         // ask the user, file by file
};

struct ConversionJob {
    // Full paths of the documents, in the order of the file list.
    std::vector<std::string> m_arrSources;
    TargetFormat m_nTargetFormat = kFormatDoc;
    // Never ends in '/'; "Original directory" already replaced by the source folder.
    std::string m_strOutputFolder;
    // Changes at most once per prompt, from PolicyAsk to one of the others; lives only for this run.
    ExistingFilePolicy m_nExistingFilePolicy = PolicyAsk;
    std::string m_strWordFolder;
    int m_nWordVersionCode = 0;

    // The command line's own, for whole trees: per source, the folder its target goes to, made when missing
    // (empty, or shorter than the sources: m_strOutputFolder); convert a source only when its target is
    // missing or older; give each target its source's modification time.
    std::vector<std::string> m_arrTargetFolders;
    bool m_bUpdateOnly = false;
    bool m_bKeepTimes = false;

    const std::string& TargetFolder(std::size_t index) const {
        return index < m_arrTargetFolders.size() && !m_arrTargetFolders[index].empty()
                   ? m_arrTargetFolders[index]
                   : m_strOutputFolder;
    }
};

}  // namespace larkspan
