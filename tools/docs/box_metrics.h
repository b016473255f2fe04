// How big each host draws a box, from its text and its font: Pd's fixed-width font at the
// patch's size (12: seven pixels a character, sixteen a line), Max's Arial 12 from the
// font's advance widths. The layout places boxes by these sizes; tests/docs/patch_files.py
// measures the written files by the same rules, on its own.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "patch.h"

namespace vorn_docs {

inline constexpr int pd_font_size = 12;
inline constexpr int pd_character_width = 7;
inline constexpr int pd_line_height = 16;
inline constexpr int pd_default_columns = 60;  // Pd wraps a box with no width set here

inline constexpr int max_line_height = 16;

// Arial's advance widths in thousandths of the font size, from space (32) to tilde (126).
inline constexpr short arial_widths[] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
    611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
    667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500,
    222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,
};

// A tenth more than the font's own widths: hinting at 12 pixels rounds widths up.
inline double max_text_width(const std::string &text) {
    double width = 0;
    for (const char c : text) {
        const int code = static_cast<unsigned char>(c);
        width += (code >= 32 && code <= 126 ? arial_widths[code - 32] : 1000) * 12.0 / 1000.0;
    }
    return width * 1.1;
}

inline double text_width(Host host, const std::string &text) {
    return host == Host::pd ? static_cast<double>(text.size() * pd_character_width) : max_text_width(text);
}

// Lines of text as the host breaks them: at spaces, and inside a word too long for a line.
inline std::vector<std::string> wrapped(Host host, const std::string &text, double line_width) {
    std::vector<std::string> lines{""};
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(start, end - start);
        start = end + 1;
        const std::string joined = lines.back().empty() ? word : lines.back() + " " + word;
        if (text_width(host, joined) <= line_width) {
            lines.back() = joined;
            continue;
        }
        if (!lines.back().empty()) lines.emplace_back();
        while (text_width(host, word) > line_width && word.size() > 1) {
            std::size_t fits = 1;
            while (fits < word.size() && text_width(host, word.substr(0, fits + 1)) <= line_width) ++fits;
            lines.back() = word.substr(0, fits);
            lines.emplace_back();
            word.erase(0, fits);
        }
        lines.back() = word;
    }
    return lines;
}

struct Size {
    int width, height;
};

// Pd: the characters of a line, two pixels of margin each side and a few for the border.
inline Size box_size(Host host, const Box &box) {
    using Kind = Box::Kind;
    if (host == Host::pd) {
        switch (box.kind) {
        case Kind::number: return {box.columns * pd_character_width + 8, 22};
        case Kind::slider: return {box.width + 4, 17};
        default: break;
        }
        // A semicolon ends a line; a box with its width set keeps it, one without is as wide
        // as its longest line, up to Pd's sixty characters.
        std::vector<std::string> paragraphs{""};
        for (std::size_t i = 0; i < box.text.size(); ++i) {
            paragraphs.back() += box.text[i];
            if (box.text[i] == ';' && i + 1 < box.text.size()) {
                paragraphs.emplace_back();
                while (i + 1 < box.text.size() && box.text[i + 1] == ' ') ++i;
            }
        }
        int longest = 0;
        for (const std::string &paragraph : paragraphs) longest = std::max(longest, static_cast<int>(paragraph.size()));
        const int columns = std::max(box.columns > 0 ? box.columns : std::min(pd_default_columns, longest), 3);
        int lines = 0, widest = 0;
        for (const std::string &paragraph : paragraphs)
            for (const std::string &line : wrapped(host, paragraph, columns * pd_character_width)) {
                ++lines;
                widest = std::max(widest, static_cast<int>(line.size()));
            }
        const int characters = box.columns > 0 ? box.columns : std::max(widest, 3);
        const int flag = box.kind == Kind::message ? 5 : 0;
        return {characters * pd_character_width + 6 + flag, lines * pd_line_height + 7};
    }
    switch (box.kind) {
    case Kind::number:
    case Kind::slider: return {box.width, 22};
    default: break;
    }
    const int lines = static_cast<int>(wrapped(host, box.text, box.width - 10).size());
    return {box.width, lines * max_line_height + 6};
}

}  // namespace vorn_docs
