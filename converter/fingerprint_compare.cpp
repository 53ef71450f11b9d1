#include "fingerprint_compare.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <unordered_map>

namespace larkspan::zuv0 {
namespace {

// Words with how often they occur; the words themselves stay in the fingerprints.
using Tally = std::unordered_map<std::string_view, std::size_t>;

struct Named {
    Story story;
    const char* text;  // "the main text's", for "3 % of the main text's words are missing"
};
constexpr Named kStoryNames[] = {
    {Story::Main, "the main text's"},     {Story::HeadersFooters, "the headers' and footers'"},
    {Story::Footnotes, "the footnotes'"}, {Story::Endnotes, "the endnotes'"},
    {Story::Comments, "the comments'"},   {Story::TextBoxes, "the text boxes'"}};

// A word of digits alone: a page number, a list's number, a count or a date's part, which whoever opens a
// document may work out afresh. Such words are left out of the comparison; a table of figures that went
// missing is told by its table.
bool IsNumber(const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Words that a story lost: those the source has more often than the converted file, counted with their
// repeats. A word that moved to another story (a text box that became a frame in the main text, say) is
// not lost: the converted file's other stories make up for it.
std::size_t MissingWords(const Tally& wanted, const Tally& kept, Tally& spare) {
    std::size_t missing = 0;
    for (const auto& [word, count] : wanted) {
        const auto found = kept.find(word);
        std::size_t have = found == kept.end() ? 0 : found->second;
        if (have < count) {
            std::size_t& extra = spare[word];
            const std::size_t borrowed = std::min(extra, count - have);
            extra -= borrowed;
            have += borrowed;
        }
        if (have < count) missing += count - have;
    }
    return missing;
}

Tally Counted(const std::vector<std::string>& words) {
    Tally counted;
    counted.reserve(words.size() / 4);
    for (const std::string& word : words)
        if (!IsNumber(word)) ++counted[word];
    return counted;
}

// "1 of 3 pictures lost", "the picture was lost", or nothing when none was.
void CountLoss(std::uint64_t had, std::uint64_t has, const char* one, const char* many, const char* verb,
               std::vector<std::string>& losses) {
    if (has >= had) return;
    if (had == 1)
        losses.push_back(std::string("the ") + one + " was " + verb);
    else if (has == 0)
        losses.push_back("all " + std::to_string(had) + " " + many + " " + verb);
    else
        losses.push_back(std::to_string(had - has) + " of " + std::to_string(had) + " " + many + " " + verb);
}

}  // namespace

std::vector<std::string> Losses(const Fingerprint& source, const Fingerprint& converted) {
    std::vector<std::string> losses;
    if (!source.incomplete.empty() || !converted.incomplete.empty()) return losses;

    // What the converted file has beyond each story's own words, which another story may borrow.
    Tally spare;
    std::array<Tally, kStories> kept, had;
    for (std::size_t s = 0; s < kStories; ++s) {
        kept[s] = Counted(converted.words[s]);
        had[s] = Counted(source.words[s]);
        for (const auto& [word, count] : kept[s]) {
            const auto found = had[s].find(word);
            const std::size_t needed = found == had[s].end() ? 0 : found->second;
            if (count > needed) spare[word] += count - needed;
        }
    }
    for (const Named& named : kStoryNames) {
        const std::size_t s = static_cast<std::size_t>(named.story);
        std::size_t total = 0;
        for (const auto& [word, count] : had[s]) total += count;
        if (total == 0) continue;
        // Notes and comments that are gone are said by their count, not once more by their words.
        const std::pair<Story, bool> gone[] = {
            {Story::Comments, source.comments > 0 && converted.comments == 0},
            {Story::Footnotes, source.footnotes > 0 && converted.footnotes == 0},
            {Story::Endnotes, source.endnotes > 0 && converted.endnotes == 0}};
        if (std::any_of(std::begin(gone), std::end(gone),
                        [&](const auto& g) { return g.first == named.story && g.second; }))
            continue;
        const std::size_t missing = MissingWords(had[s], kept[s], spare);
        // A word or two in a hundred may come out spelt another way (a soft hyphen, a ligature); more is a
        // loss. A story that had few words is held to losing none of them whole.
        const std::size_t percent = missing * 100 / total;
        if (missing == total)
            losses.push_back(std::string("all of ") + named.text + " words are missing");
        else if (missing * 100 >= total * 2 && missing >= 3)
            losses.push_back(std::to_string(std::max<std::size_t>(percent, 1)) + " % of " + named.text +
                             " words are missing");
    }

    CountLoss(source.comments, converted.comments, "comment", "comments", "lost", losses);
    CountLoss(source.footnotes, converted.footnotes, "footnote", "footnotes", "lost", losses);
    CountLoss(source.endnotes, converted.endnotes, "endnote", "endnotes", "lost", losses);
    CountLoss(source.tables, converted.tables, "table", "tables", "lost", losses);
    CountLoss(source.pictures, converted.pictures, "picture", "pictures", "lost", losses);
    CountLoss(source.equations, converted.equations, "equation", "equations", "dropped", losses);
    CountLoss(source.objects, converted.objects, "embedded object", "embedded objects", "dropped", losses);
    // How many changes a change is differs between the formats (one per paragraph, or one per run of an
    // author's characters, paragraph marks among them): only that none is left can be told for sure.
    if (source.insertions + source.deletions > 0 && converted.insertions + converted.deletions == 0)
        losses.push_back("tracked changes were accepted");
    return losses;
}

std::string CountsJson(const Fingerprint& f) {
    std::size_t words = 0;
    for (const auto& story : f.words) words += story.size();
    const std::pair<const char*, std::uint64_t> fields[] = {
        {"words", words},           {"paragraphs", f.paragraphs},
        {"tables", f.tables},       {"pictures", f.pictures},
        {"objects", f.objects},     {"equations", f.equations},
        {"comments", f.comments},   {"footnotes", f.footnotes},
        {"endnotes", f.endnotes},   {"insertions", f.insertions},
        {"deletions", f.deletions}, {"fields", f.fields}};
    std::string json = "{";
    for (const auto& [name, value] : fields)
        json += (json.size() > 1 ? ",\"" : "\"") + std::string(name) + "\":" + std::to_string(value);
    return json + "}";
}

}  // namespace larkspan::zuv0
