#include "layout/command_line.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>

#include "layout/grouping.h"
#include "layout/iem_file.h"
#include "layout/standard_layouts.h"
#include "layout/vorn_messages.h"

namespace vorn_layout {

namespace {

constexpr int pd_significant_digits = 6;  // Pd keeps 32-bit floats and writes them with %g

const char *const usage_text =
    "usage: vorn-layout [--format script|max|pd] [--tolerance DEG] [--clockwise] [--lfe CH,CH...] [--name NAME] LAYOUT\n"
    "       vorn-layout --to-iem [--clockwise] [--name NAME] SCRIPT\n"
    "LAYOUT is an IEM layout file (- reads standard input), a standard layout (stereo, 5.1, 7.1, 5.1.4,\n"
    "7.1.4, 22.2), ring:N, or dome:N@EL,N@EL,...[,zenith]. SCRIPT is a vorn-sim script (- for standard input).\n"
    "  --format     script: one message a line for vorn-sim (default); max, pd: the text of a message box\n"
    "  --tolerance  neighbouring elevations at most DEG apart form one layer (default 0.5)\n"
    "  --clockwise  Vorn azimuths grow clockwise (to the right); the file's grow to the left\n"
    "  --lfe, --sub channels of LFE or subwoofer loudspeakers, for the solo layer\n"
    "  --name       the name written into the layout file or the script's first line\n";

struct CommandLine {
    bool to_iem = false;
    bool help = false;
    MessageFormat format = MessageFormat::script;
    GroupingOptions grouping;
    std::optional<std::string> name;
    std::string input;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<long long> channel_list(const std::string &text) {
    std::vector<long long> channels;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma - start);
        long long channel = 0;
        const auto result = std::from_chars(item.data(), item.data() + item.size(), channel);
        if (item.empty() || result.ec != std::errc() || result.ptr != item.data() + item.size())
            throw UsageError("--lfe wants channel numbers separated by commas, not \"" + text + "\"");
        channels.push_back(channel);
        if (comma == std::string::npos) return channels;
        start = comma + 1;
    }
}

CommandLine parse(const std::vector<std::string> &arguments) {
    CommandLine command;
    bool grouping_options = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> attached;
        if (option.rfind("--", 0) == 0 && option.find('=') != std::string::npos) {
            attached = option.substr(option.find('=') + 1);
            option = option.substr(0, option.find('='));
        }
        auto value = [&]() -> std::string {
            if (attached) return *attached;
            if (i + 1 >= arguments.size()) throw UsageError(option + " needs a value");
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            command.help = true;
        } else if (option == "--to-iem") {
            command.to_iem = true;
        } else if (option == "--clockwise") {
            command.grouping.clockwise = true;
        } else if (option == "--name") {
            command.name = value();
        } else if (option == "--format") {
            grouping_options = true;
            const std::string format = value();
            if (format == "script") command.format = MessageFormat::script;
            else if (format == "max") command.format = MessageFormat::max;
            else if (format == "pd") command.format = MessageFormat::pd;
            else throw UsageError("--format is script, max or pd, not \"" + format + "\"");
        } else if (option == "--tolerance") {
            grouping_options = true;
            const std::string text = value();
            double tolerance = -1;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), tolerance);
            if (result.ec != std::errc() || result.ptr != text.data() + text.size() || !(tolerance >= 0) ||
                !std::isfinite(tolerance))
                throw UsageError("--tolerance wants degrees, 0 or more, not \"" + text + "\"");
            command.grouping.tolerance = tolerance;
        } else if (option == "--lfe" || option == "--sub") {
            grouping_options = true;
            for (long long channel : channel_list(value())) command.grouping.solo_channels.push_back(channel);
        } else if (option.size() > 1 && option[0] == '-' && option != "-") {
            throw UsageError("unknown option " + option);
        } else if (!command.input.empty()) {
            throw UsageError("one layout at a time (" + command.input + " and " + option + ")");
        } else {
            command.input = option;
        }
    }
    if (command.help) return command;
    if (command.input.empty()) throw UsageError(command.to_iem ? "which script?" : "which layout?");
    if (command.to_iem && grouping_options) throw UsageError("--to-iem takes only --clockwise and --name");
    if (command.format == MessageFormat::pd) command.grouping.significant_digits = pd_significant_digits;
    return command;
}

std::string read_input(const std::string &path, std::istream &in) {
    if (path == "-") return std::string(std::istreambuf_iterator<char>(in), {});
    std::ifstream file(path, std::ios::binary);
    if (!file) throw LayoutError("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string stem_of(const std::string &path) {
    if (path == "-") return "Vorn layout";
    const std::size_t slash = path.find_last_of('/');
    std::string stem = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = stem.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? stem : stem.substr(0, dot);
}

std::string convert(const CommandLine &command, std::istream &in, std::vector<std::string> &notes) {
    if (command.to_iem) {
        const VornConfiguration configuration = read_vorn_script(read_input(command.input, in), command.input);
        if (!configuration.solo_layers.empty())
            notes.push_back("solo-layer loudspeakers (LFE, subwoofers) are written at elevation 0 like the others;"
                            " name them with --lfe when converting back");
        return write_iem_layout(layout_of(configuration, command.grouping.clockwise, command.name.value_or(stem_of(command.input))));
    }
    std::optional<LoudspeakerLayout> layout = named_layout(command.input);
    if (!layout) layout = read_iem_layout(read_input(command.input, in), command.input);
    Grouping grouping = group_layout(*layout, command.grouping);
    notes = std::move(grouping.notes);
    return format_messages(grouping.configuration, command.format, command.name.value_or(layout->name));
}

}  // namespace

int run_vorn_layout(const std::vector<std::string> &arguments, std::istream &in, std::ostream &out, std::ostream &err) {
    CommandLine command;
    try {
        command = parse(arguments);
    } catch (const UsageError &e) {
        err << "vorn-layout: " << e.what() << "\n" << usage_text;
        return status_usage;
    }
    if (command.help) {
        out << usage_text;
        return status_ok;
    }
    std::vector<std::string> notes;
    std::string result;
    try {
        result = convert(command, in, notes);
    } catch (const LayoutError &e) {
        err << "vorn-layout: " << e.what() << "\n";
        return status_failed;
    }
    for (const std::string &note : notes) err << "vorn-layout: " << note << "\n";
    out << result;
    return out ? status_ok : status_failed;
}

}  // namespace vorn_layout
