// Splitting a line into words by the shell's quoting rules.
#include "quarnel/line/shell_words.h"

namespace quarnel {

std::optional<std::vector<std::string>> shell_words(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (in_word) {
                words.push_back(word);
                word.clear();
                in_word = false;
            }
        } else if (c == '#' && !in_word) {
            break;
        } else if (c == '\\') {
            if (++i == line.size()) {
                return std::nullopt;
            }
            word += line[i];
            in_word = true;
        } else if (c == '\'') {
            const std::size_t end = line.find('\'', i + 1);
            if (end == std::string_view::npos) {
                return std::nullopt;
            }
            word += line.substr(i + 1, end - i - 1);
            i = end;
            in_word = true;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == line.size()) {
                    return std::nullopt;
                }
                if (line[i] == '"') {
                    break;
                }
                if (line[i] == '\\' && i + 1 < line.size() &&
                    std::string_view("\"\\$`").find(line[i + 1]) != std::string_view::npos) {
                    ++i;
                }
                word += line[i];
            }
            in_word = true;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) {
        words.push_back(word);
    }
    return words;
}

} // namespace quarnel
