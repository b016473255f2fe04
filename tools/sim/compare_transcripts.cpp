// compare_transcripts: checks a vorn-sim transcript from another host against the native one.
// Console lines, selectors, integers and symbols must match exactly; floats may differ by the
// host's number width:
//   --width x64  within 1e-12 relative: the libm of another C runtime may be an ulp off;
//   --width x86  the native value rounded through float, give or take about one float ulp,
//                since the 32-bit host's atoms carry single precision;
//   --width pd   as x86, and an integer atom may arrive as a float of the same value, since
//                Pd's atoms are all floats.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

enum class Width { x64, x86, pd };

std::vector<std::string> lines_of(std::ifstream &in) {
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> words_of(const std::string &line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t end = std::min(line.find(' ', i), line.size());
        words.push_back(line.substr(i, end - i));
        i = end + 1;
    }
    return words;
}

// A float atom as the transcript prints it: it always shows a point, an exponent, inf or nan.
bool float_of(const std::string &word, double &value) {
    if (word.find_first_of(".ein") == std::string::npos) return false;
    const char *first = word.data();
    const char *last = first + word.size();
    if (*first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc{} && end == last;
}

bool close_enough(double expected, double actual, Width width) {
    if (std::isnan(expected) || std::isnan(actual)) return std::isnan(expected) && std::isnan(actual);
    const bool single = width != Width::x64;
    if (single) expected = static_cast<double>(static_cast<float>(expected));
    if (expected == actual) return true;
    if (std::isinf(expected) || std::isinf(actual)) return false;
    const double difference = std::fabs(actual - expected);
    // A float ulp is at most 1.19e-7 relative; amplitudes stay <= 1, where it is absolute.
    if (single) return difference <= 2.4e-7 * std::max(std::fabs(expected), 1.0);
    return difference <= 1e-12 * std::max(std::fabs(expected), std::fabs(actual)) || difference <= 1e-15;
}

bool integer_of(const std::string &word, double &value) {
    long long v = 0;
    const char *first = word.data() + (word.size() > 1 && word[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, word.data() + word.size(), v);
    value = static_cast<double>(v);
    return error == std::errc{} && end == word.data() + word.size();
}

bool words_match(const std::string &expected, const std::string &actual, Width width) {
    if (expected == actual) return true;
    double e = 0, a = 0;
    if (width == Width::pd && integer_of(expected, e)) return float_of(actual, a) && close_enough(e, a, width);
    return float_of(expected, e) && float_of(actual, a) && close_enough(e, a, width);
}

// Outlet lines ("outlet N: SELECTOR ATOM ...") compare atom by atom; any other line exactly.
bool lines_match(const std::string &expected, const std::string &actual, Width width) {
    if (expected == actual) return true;
    if (expected.rfind("outlet ", 0) != 0 || actual.rfind("outlet ", 0) != 0) return false;
    const std::vector<std::string> e = words_of(expected);
    const std::vector<std::string> a = words_of(actual);
    if (e.size() != a.size() || e.size() < 3) return false;
    for (std::size_t i = 0; i < 3; ++i)
        if (e[i] != a[i]) return false;
    for (std::size_t i = 3; i < e.size(); ++i)
        if (!words_match(e[i], a[i], width)) return false;
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: compare_transcripts --width x64|x86|pd EXPECTED ACTUAL\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5 || std::strcmp(argv[1], "--width") != 0) return usage();
    Width width;
    if (std::strcmp(argv[2], "x64") == 0)
        width = Width::x64;
    else if (std::strcmp(argv[2], "x86") == 0)
        width = Width::x86;
    else if (std::strcmp(argv[2], "pd") == 0)
        width = Width::pd;
    else
        return usage();
    std::ifstream expected_file(argv[3]), actual_file(argv[4]);
    if (!expected_file || !actual_file) {
        std::fprintf(stderr, "compare_transcripts: cannot read %s\n", expected_file ? argv[4] : argv[3]);
        return 2;
    }
    const std::vector<std::string> expected = lines_of(expected_file);
    const std::vector<std::string> actual = lines_of(actual_file);

    int mismatches = 0;
    const std::size_t common = std::min(expected.size(), actual.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (lines_match(expected[i], actual[i], width)) continue;
        if (++mismatches <= 10)
            std::printf("line %zu differs\n  expected: %s\n  actual:   %s\n", i + 1, expected[i].c_str(),
                        actual[i].c_str());
    }
    if (expected.size() != actual.size()) {
        ++mismatches;
        std::printf("%zu lines expected, %zu written\n", expected.size(), actual.size());
        const auto &longer = expected.size() > actual.size() ? expected : actual;
        std::printf("  first extra line (%s): %s\n", expected.size() > actual.size() ? "expected" : "actual",
                    longer[common].c_str());
    }
    if (mismatches > 10) std::printf("... %d differing lines in all\n", mismatches);
    return mismatches == 0 ? 0 : 1;
}
