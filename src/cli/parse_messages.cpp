// The option parser's refusals in the program's language: CLI11 words its
// errors in English, every other message of seasky is Russian.
#include <regex>
#include <string>

#include "cli/cli_support.h"

namespace seasky::cli {

std::string ParseErrorMessage(const CLI::ParseError& error) {
    const std::string text = error.what();
    std::smatch m;
    auto match = [&](const char* pattern) { return std::regex_match(text, m, std::regex(pattern)); };
    if (match("The following arguments? (?:was|were) not expected: (.*)"))
        return (m[1].str().find(' ') == std::string::npos ? "Неизвестный аргумент: " : "Неизвестные аргументы: ") +
               m[1].str();
    if (match("A subcommand")) return "Не задана подкоманда.";
    if (match("(.*) is required")) return "Не задан обязательный параметр " + m[1].str() + ".";
    if (match("(.*): \\d+ required .* missing")) return "Не задано значение параметра " + m[1].str() + ".";
    if (match("(.*): At Most (\\d+) required but received (\\d+)"))
        return "Параметр " + m[1].str() + " задан " + m[3].str() + " раза, допустимо не более " + m[2].str() + ".";
    if (match("(.*): At least (\\d+) required but received (\\d+)"))
        return "Параметру " + m[1].str() + " нужно не менее " + m[2].str() + " значений, задано " + m[3].str() + ".";
    if (match("Expected (?:exactly|at least) (\\d+) arguments to (.*), got (\\d+)"))
        return "Параметру " + m[2].str() + " нужно значений: " + m[1].str() + ", задано: " + m[3].str() + ".";
    if (match("(.*): Value (.*) not in range .*"))
        return "Неверное значение параметра " + m[1].str() + ": " + m[2].str() + ".";
    if (match("Could not convert: (.*) = (.*)"))
        return "Неверное значение параметра " + m[1].str() + ": " + m[2].str() + ".";
    if (match("The value (.*) is not an allowed value for (.*)"))
        return "Неверное значение параметра " + m[2].str() + ": " + m[1].str() + ".";
    if (match("(.*): too many inputs for a flag")) return "Флаг " + m[1].str() + " не принимает значений.";
    if (match("(.*) excludes (.*)")) return "Параметры " + m[1].str() + " и " + m[2].str() + " несовместимы.";
    if (match("(.*) requires (.*)")) return "Параметр " + m[1].str() + " требует " + m[2].str() + ".";
    if (match("(.*): (.*)")) return "Неверное значение параметра " + m[1].str() + ".";
    return "Неверная командная строка.";
}

}  // namespace seasky::cli
