#include "layout/command_line.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>

#include "layout/grouping.h"
#include "layout/iem_file.h"
#include "layout/rig_command.h"
#include "layout/standard_layouts.h"
#include "layout/vorn_messages.h"

namespace vorn_layout {

namespace {

constexpr int pd_significant_digits = 6;  // Pd keeps 32-bit floats and writes them with %g

const char *const usage_text =
    "usage: vorn-layout [--format script|max|pd] [--tolerance DEG] [--fill-gaps[=DEG]] [--clockwise] [--lfe CH,CH...]\n"
    "                   [--name NAME] LAYOUT\n"
    "       vorn-layout --to-iem [--clockwise] [--name NAME] SCRIPT\n"
    "       vorn-layout --rig SOURCES --format pd|max [--dac] [--ramp MS] [--speed-of-sound M/S] [grouping options] ROOM\n"
    "LAYOUT is an IEM layout file (- reads standard input), a standard layout (stereo, quad, 5.1, 7.1,\n"
    "5.1.2, 7.1.2, 5.1.4, 7.1.4, 9.1.6, 22.2), ring:N, or dome:N@EL[@START],...[,zenith] (rings of N at\n"
    "elevation EL, the first at azimuth START). SCRIPT is a vorn-sim script (- for standard input).\n"
    "  --format     script: one message a line for vorn-sim (default); max, pd: the text of a message box\n"
    "  --tolerance  neighbouring elevations at most DEG apart form one ring (default 5)\n"
    "  --fill-gaps  close every azimuth gap wider than DEG (default 180) with imaginary loudspeakers on\n"
    "               channels above the real ones, and keep the file's imaginary loudspeakers the same way\n"
    "  --clockwise  Vorn azimuths grow clockwise (to the right); the file's grow to the left\n"
    "  --lfe, --sub channels of LFE or subwoofer loudspeakers, for the solo layer\n"
    "  --name       the name written into the layout file or the script's first line\n"
    "ROOM is a LAYOUT or a vorn-sim script (.vorn). --rig writes a patch that pans SOURCES sources over it, with\n"
    "one output per loudspeaker, delayed and trimmed by the file's distances and gains (the table goes to stderr):\n"
    "  --dac        hardware outputs by channel number in place of the patch's outlets\n"
    "  --ramp       milliseconds of each gain's ramp (default 20; the message \"ramp MS\" changes it)\n"
    "  --speed-of-sound  metres a second for the delays (default 343)\n";

struct CommandLine {
    bool to_iem = false;
    bool help = false;
    MessageFormat format = MessageFormat::script;
    GroupingOptions grouping;
    std::optional<std::string> name;
    std::string input;
    RigOptions rig;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double number_option(const std::string &option, const std::string &text, const char *wanted) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() || !std::isfinite(value))
        throw UsageError(option + " wants " + wanted + ", not \"" + text + "\"");
    return value;
}

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
    bool rig_options = false;
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
        } else if (option == "--fill-gaps") {
            grouping_options = true;
            command.grouping.fill_gaps = true;
            if (attached) {
                double limit = 0;
                const auto result = std::from_chars(attached->data(), attached->data() + attached->size(), limit);
                // Below a degree the fillers would outnumber Vorn's channels.
                if (result.ec != std::errc() || result.ptr != attached->data() + attached->size() || !(limit >= 1) ||
                    !(limit <= 360))
                    throw UsageError("--fill-gaps wants degrees in 1..360, not \"" + *attached + "\"");
                command.grouping.gap_limit = limit;
            }
        } else if (option == "--rig") {
            const std::string text = value();
            int sources = 0;
            const auto result = std::from_chars(text.data(), text.data() + text.size(), sources);
            if (result.ec != std::errc() || result.ptr != text.data() + text.size() || sources < 1 ||
                sources > most_rig_sources)
                throw UsageError("--rig wants a number of sources, 1 to " + std::to_string(most_rig_sources) + ", not \"" +
                                 text + "\"");
            command.rig.sources = sources;
        } else if (option == "--dac") {
            rig_options = true;
            command.rig.dac = true;
        } else if (option == "--ramp") {
            rig_options = true;
            command.rig.ramp_ms = number_option(option, value(), "milliseconds, 0 or more");
            if (command.rig.ramp_ms < 0) throw UsageError("--ramp wants milliseconds, 0 or more");
        } else if (option == "--speed-of-sound") {
            rig_options = true;
            command.rig.speed = number_option(option, value(), "metres a second, above 0");
            if (!(command.rig.speed > 0)) throw UsageError("--speed-of-sound wants metres a second, above 0");
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
    if (rig_options && command.rig.sources == 0) throw UsageError("--dac, --ramp and --speed-of-sound go with --rig");
    if (command.rig.sources > 0 && (command.to_iem || command.format == MessageFormat::script))
        throw UsageError("--rig writes a patch: give --format pd or --format max");
    if (command.format == MessageFormat::pd) command.grouping.significant_digits = pd_significant_digits;
    return command;
}

std::string read_input(const std::string &path, std::istream &in) {
    try {
        if (path == "-") return std::string(std::istreambuf_iterator<char>(in), {});
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) throw LayoutError("is a folder, not a file");
        std::ifstream file(path, std::ios::binary);
        if (!file) throw LayoutError(std::string("cannot read it (") + std::strerror(errno) + ")");
        return std::string(std::istreambuf_iterator<char>(file), {});
    } catch (const std::ios_base::failure &) {
        // The stream library throws when the system refuses a read half-way.
        throw LayoutError("cannot read it");
    }
}

// Text on one line whatever it quotes: a file name or an argument may hold line breaks.
std::string on_one_line(std::string text) {
    for (char &c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return text;
}

// The file or layout a message is about.
std::string source_of(const CommandLine &command) {
    return command.input == "-" ? "standard input" : on_one_line(command.input);
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
        const std::string name = command.name.value_or(stem_of(command.input));
        if (!is_utf8(name))
            throw LayoutError(command.name ? "--name is not UTF-8 text, and a layout file holds nothing else"
                                           : "the file name is not UTF-8 text, which a layout file needs: give one with --name");
        const VornConfiguration configuration = read_vorn_script(read_input(command.input, in));
        if (!configuration.solo_layers.empty())
            notes.push_back("solo-layer loudspeakers (LFE, subwoofers) are written at elevation 0 like the others;"
                            " name them with --lfe when converting back");
        return write_iem_layout(layout_of(configuration, command.grouping.clockwise, name));
    }
    std::optional<LoudspeakerLayout> layout = named_layout(command.input);
    if (command.rig.sources > 0 && !layout && command.input.size() > 5 &&
        command.input.compare(command.input.size() - 5, 5, ".vorn") == 0) {
        Room room;
        room.name = command.name.value_or(stem_of(command.input));
        room.configuration = read_vorn_script(read_input(command.input, in));
        return write_rig(room, command.rig, command.format, notes);
    }
    if (!layout) {
        // A word that is no file was most likely meant as a name.
        std::error_code error;
        if (command.input != "-" && command.input.find('/') == std::string::npos &&
            !std::filesystem::exists(command.input, error))
            throw LayoutError("no such file, and no layout of that name; the names are " + known_layout_names());
        layout = read_iem_layout(read_input(command.input, in), source_of(command));
    }
    Grouping grouping = group_layout(*layout, command.grouping);
    notes = std::move(grouping.notes);
    for (const std::string &warning : grouping.warnings) notes.push_back("warning: " + warning);
    if (command.rig.sources > 0) {
        // A rig carries the file's gains, in its trims.
        std::erase_if(notes, [](const std::string &note) { return note.rfind("the gains of the file", 0) == 0; });
        Room room{command.name.value_or(layout->name), grouping.configuration, grouping.imaginary_channels,
                  layout->loudspeakers};
        return write_rig(room, command.rig, command.format, notes);
    }
    return format_messages(grouping.configuration, command.format, command.name.value_or(layout->name),
                           grouping.imaginary_channels);
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
    // Whatever goes wrong is the input's fault or the machine's, and ends in one line.
    try {
        result = convert(command, in, notes);
    } catch (const std::bad_alloc &) {
        err << "vorn-layout: " << source_of(command) << ": not enough memory to convert it\n";
        return status_failed;
    } catch (const std::exception &e) {
        err << "vorn-layout: " << source_of(command) << ": " << on_one_line(e.what()) << "\n";
        return status_failed;
    }
    for (const std::string &note : notes) err << "vorn-layout: " << note << "\n";
    out << result;
    return out ? status_ok : status_failed;
}

}  // namespace vorn_layout
