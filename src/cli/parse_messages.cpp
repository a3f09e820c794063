// The option parser's refusals in the program's language: CLI11 words its
// errors in English, every other message of seasky is Russian.
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_support.h"

namespace seasky::cli {

namespace {

// Whether text matches pattern, whose '*' stands for any text and '#' for one
// or more digits, each captured (the longest that lets the rest match, as a
// greedy regular expression would). The captures go to parts.
bool Matches(std::string_view text, std::string_view pattern, std::vector<std::string>& parts) {
    if (pattern.empty()) return text.empty();
    const char c = pattern.front();
    if (c == '*' || c == '#') {
        std::size_t longest = text.size();
        if (c == '#') {
            longest = 0;
            while (longest < text.size() && std::isdigit(static_cast<unsigned char>(text[longest]))) ++longest;
        }
        for (std::size_t n = longest + 1; n-- > (c == '#' ? 1u : 0u);) {
            parts.emplace_back(text.substr(0, n));
            if (Matches(text.substr(n), pattern.substr(1), parts)) return true;
            parts.pop_back();
        }
        return false;
    }
    return !text.empty() && text.front() == c && Matches(text.substr(1), pattern.substr(1), parts);
}

}  // namespace

std::string ParseErrorMessage(const CLI::ParseError& error) {
    const std::string text = error.what();
    std::vector<std::string> m;
    auto match = [&](std::string_view pattern) {
        m.clear();
        return Matches(text, pattern, m);
    };
    if (match("The following argument* not expected: *"))
        return (m[1].find(' ') == std::string::npos ? "Неизвестный аргумент: " : "Неизвестные аргументы: ") + m[1];
    if (match("A subcommand*")) return "Не задана подкоманда.";
    if (match("* is required")) return "Не задан обязательный параметр " + m[0] + ".";
    if (match("*: # required * missing")) return "Не задано значение параметра " + m[0] + ".";
    if (match("*: At Most # required but received #"))
        return "Параметр " + m[0] + " задан " + m[2] + " раза, допустимо не более " + m[1] + ".";
    if (match("*: At least # required but received #"))
        return "Параметру " + m[0] + " нужно не менее " + m[1] + " значений, задано " + m[2] + ".";
    if (match("Expected exactly # arguments to *, got #") || match("Expected at least # arguments to *, got #"))
        return "Параметру " + m[1] + " нужно значений: " + m[0] + ", задано: " + m[2] + ".";
    if (match("*: Value * not in range *")) return "Неверное значение параметра " + m[0] + ": " + m[1] + ".";
    if (match("Could not convert: * = *")) return "Неверное значение параметра " + m[0] + ": " + m[1] + ".";
    if (match("The value * is not an allowed value for *"))
        return "Неверное значение параметра " + m[1] + ": " + m[0] + ".";
    if (match("*: too many inputs for a flag")) return "Флаг " + m[0] + " не принимает значений.";
    if (match("* excludes *")) return "Параметры " + m[0] + " и " + m[1] + " несовместимы.";
    if (match("* requires *")) return "Параметр " + m[0] + " требует " + m[1] + ".";
    if (match("*: *")) return "Неверное значение параметра " + m[0] + ".";
    return "Неверная командная строка.";
}

}  // namespace seasky::cli
