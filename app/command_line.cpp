#include "app/command_line.h"

#include <charconv>
#include <string_view>

namespace larkspan {
namespace {

// A whole decimal number and nothing else.
std::optional<std::uint64_t> Number(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool IsFormatWord(std::string word) {
    for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return word == "doc" || word == "docx";
}

class Parser {
public:
    Parser(int argc, const char* const* argv) {
        for (int i = 1; i < argc; ++i) args_.push_back(argv[i] ? argv[i] : "");
    }

    CommandLineArguments Parse() {
        result_.given = args_;
        result_.commandLine = !args_.empty() && !args_.front().empty();
        if (!result_.commandLine) {
            // The window opens; the first three arguments are kept as they came, and nothing more is read.
            std::string* fields[] = {&result_.source, &result_.format, &result_.output};
            for (std::size_t at = 0; at < 3 && at < args_.size(); ++at) *fields[at] = args_[at];
            return result_;
        }
        std::vector<std::string> positional;
        bool optionsEnded = false;
        for (next_ = 0; next_ < args_.size() && result_.error.empty();) {
            const std::string& arg = args_[next_++];
            if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
                positional.push_back(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg.starts_with("--")) {
                Long(arg.substr(2));
            } else {
                for (char flag : arg.substr(1)) Short(flag);
            }
        }
        if (!result_.error.empty() || result_.help || result_.version) return result_;
        Positionals(std::move(positional));
        if (result_.error.empty()) Check();
        return result_;
    }

private:
    void Fail(std::string why) {
        if (result_.error.empty()) result_.error = std::move(why);
    }

    // The value of --name: after '=', or the next argument.
    std::string Value(const std::string& name, const std::optional<std::string>& attached) {
        if (attached) return *attached;
        if (next_ < args_.size()) return args_[next_++];
        Fail("option --" + name + " needs a value");
        return {};
    }

    void Long(const std::string& text) {
        const std::size_t equals = text.find('=');
        const std::string name = text.substr(0, equals);
        const std::optional<std::string> attached =
            equals == std::string::npos ? std::nullopt : std::optional(text.substr(equals + 1));
        bool* flag = name == "recursive"    ? &result_.recursive
                     : name == "update"     ? &result_.update
                     : name == "keep-times" ? &result_.keepTimes
                     : name == "null"       ? &result_.nullSeparated
                     : name == "strict"     ? &result_.strict
                     : name == "no-verify"  ? &result_.noVerify
                     : name == "help"       ? &result_.help
                     : name == "version"    ? &result_.version
                                            : nullptr;
        if (flag) {
            if (attached) Fail("option --" + name + " takes no value");
            *flag = true;
        } else if (name == "files-from") {
            result_.filesFrom = Value(name, attached);
            if (result_.filesFrom.empty()) Fail("option --files-from needs a file (or - for standard input)");
        } else if (name == "relative-to") {
            result_.relativeTo = Value(name, attached);
            if (result_.relativeTo.empty()) Fail("option --relative-to needs a folder");
        } else if (name == "report") {
            result_.report = Value(name, attached);
            if (result_.report.empty()) Fail("option --report needs a file");
        } else if (name == "shard") {
            std::string why;
            result_.shard = ParseShard(Value(name, attached), why);
            if (!result_.shard) Fail(why);
        } else if (name == "shard-index-env") {
            result_.shardIndexEnv = Value(name, attached);
            if (result_.shardIndexEnv.empty()) Fail("option --shard-index-env needs the name of a variable");
        } else if (name == "shard-count") {
            const std::string value = Value(name, attached);
            const std::optional<std::uint64_t> count = Number(value);
            if (!count || *count == 0)
                Fail("--shard-count " + value + ": not a number of shards (1 or more)");
            result_.shardCount = count.value_or(0);
        } else {
            Fail("unknown option --" + name);
        }
    }

    void Short(char flag) {
        switch (flag) {
            case 'r':
                result_.recursive = true;
                break;
            case 'u':
                result_.update = true;
                break;
            case '0':
                result_.nullSeparated = true;
                break;
            case 'h':
                result_.help = true;
                break;
            default:
                Fail(std::string("unknown option -") + flag);
        }
    }

    // SOURCE... FORMAT OUTPUT-FOLDER, as cp and mv take theirs: the last two are the format word and the
    // output folder, whatever comes before them the sources.
    void Positionals(std::vector<std::string> positional) {
        const std::size_t sources =
            result_.filesFrom.empty() ? positional.size() - std::min<std::size_t>(2, positional.size()) : 0;
        if (!result_.filesFrom.empty() && positional.size() != 2)
            return Fail("with --files-from, give FORMAT and OUTPUT-FOLDER and no source");
        if (result_.filesFrom.empty() && positional.size() < 3)
            return Fail(positional.empty() ? "no source given" : "FORMAT and OUTPUT-FOLDER are both needed");
        result_.sources.assign(positional.begin(), positional.begin() + static_cast<std::ptrdiff_t>(sources));
        result_.format = positional[positional.size() - 2];
        result_.output = positional.back();
        if (!result_.sources.empty()) result_.source = result_.sources.front();
        // One source keeps the old leniency about the format word; with several, a word that is none means
        // the shell expanded a pattern and FORMAT and OUTPUT-FOLDER were left out.
        if ((result_.sources.size() > 1 || !result_.filesFrom.empty()) && !IsFormatWord(result_.format))
            Fail("'" + result_.format +
                 "' is not doc or docx: the last two arguments are FORMAT and OUTPUT-FOLDER");
        for (const std::string& source : result_.sources)
            if (source.empty()) Fail("an empty source");
        if (result_.format.empty()) Fail("the format word is empty");
        if (result_.output.empty()) Fail("the output folder is empty");
    }

    void Check() {
        if (!result_.relativeTo.empty() && result_.filesFrom.empty())
            Fail("--relative-to goes with --files-from");
        if (result_.nullSeparated && result_.filesFrom.empty()) Fail("--null goes with --files-from");
        if (result_.strict && result_.noVerify) Fail("--strict needs the check that --no-verify turns off");
        if (result_.shard && !result_.shardIndexEnv.empty())
            Fail("give --shard or --shard-index-env with --shard-count, not both");
        if (result_.shardIndexEnv.empty() != (result_.shardCount == 0))
            Fail("--shard-index-env and --shard-count go together");
    }

    std::vector<std::string> args_;
    std::size_t next_ = 0;
    CommandLineArguments result_;
};

}  // namespace

std::optional<Shard> ParseShard(const std::string& text, std::string& error) {
    const std::size_t slash = text.find('/');
    const std::optional<std::uint64_t> index = Number(std::string_view(text).substr(0, slash));
    const std::optional<std::uint64_t> count =
        slash == std::string::npos ? std::nullopt : Number(std::string_view(text).substr(slash + 1));
    if (!index || !count || *count == 0) {
        error = "--shard " + text + ": give K/N, two whole numbers, N at least 1";
        return std::nullopt;
    }
    if (*index >= *count) {
        error = "--shard " + text + ": K counts from 0, so it is 0 to " + std::to_string(*count - 1);
        return std::nullopt;
    }
    return Shard{*index, *count};
}

CommandLineArguments CommandLineArguments::FromArgv(int argc, const char* const* argv) {
    return Parser(argc, argv).Parse();
}

}  // namespace larkspan
