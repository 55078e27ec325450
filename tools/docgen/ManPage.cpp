#include "tools/docgen/ManPage.h"

#include <algorithm>
#include <cctype>

#include <CLI/CLI.hpp>

namespace gnsslog {

namespace {

// CLI11 puts options without a group out of --help; they stay out here.
std::vector<const CLI::Option*> shownOptions(const CLI::App& app)
{
    std::vector<const CLI::Option*> shown;
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_group().empty()) {
            shown.push_back(option);
        }
    }
    return shown;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// One option as --help shows it, "-h,--help" or "--format TEXT:{a,b}",
// names in bold and the value in italics.
std::string optionHeading(const CLI::Formatter& formatter, const CLI::Option& option)
{
    const std::string names = formatter.make_option_name(&option, option.get_positional());
    std::string value = formatter.make_option_opts(&option);
    const std::size_t start = value.find_first_not_of(' ');
    value = start == std::string::npos ? std::string() : value.substr(start);
    std::string heading = "\\fB" + roffText(names) + "\\fR";
    if (!value.empty()) {
        heading += " \\fI" + roffText(value) + "\\fR";
    }
    return heading;
}

void section(std::string& page, std::string_view name)
{
    page += ".SH ";
    page += name;
    page += '\n';
}

void paragraphs(std::string& page, const std::vector<std::string>& texts)
{
    for (const std::string& text : texts) {
        page += ".PP\n" + roffText(text) + '\n';
    }
}

}  // namespace

std::string roffText(std::string_view text)
{
    std::string out;
    bool inOptionName = false;  // a word that starts with '-': every '-' in it is a minus
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool lineStart = i == 0 || text[i - 1] == '\n';
        const bool wordStart = lineStart || !std::isalnum(static_cast<unsigned char>(text[i - 1]));
        if (lineStart && (c == '.' || c == '\'')) {
            out += "\\&";
        }
        if (c == '-' && wordStart && !inOptionName) {
            inOptionName = true;
        } else if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') {
            inOptionName = false;
        }
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' && inOptionName) {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

std::string manPage(const CLI::App& app, const ManPageText& text, std::string_view version)
{
    const std::string name = app.get_name();
    std::string page = ".TH " + upper(name) + " 1 \"\" \"gnsslog " + roffText(version) + "\" \"User Commands\"\n";
    section(page, "NAME");
    page += roffText(name) + " \\- " + roffText(text.summary) + '\n';

    section(page, "SYNOPSIS");
    const CLI::Formatter formatter;
    std::string usage = formatter.make_usage(&app, name);
    usage = usage.substr(usage.find(name) + name.size());
    usage.erase(std::remove(usage.begin(), usage.end(), '\n'), usage.end());
    page += ".B " + roffText(name) + '\n' + roffText(usage.substr(usage.find_first_not_of(' '))) + '\n';

    section(page, "DESCRIPTION");
    page += roffText(app.get_description()) + '\n';
    paragraphs(page, text.description);

    section(page, "OPTIONS");
    for (const CLI::Option* option : shownOptions(app)) {
        page += ".TP\n" + optionHeading(formatter, *option) + '\n';
        page += roffText(option->get_description()) + '\n';
    }
    if (!text.exitStatus.empty()) {
        section(page, "EXIT STATUS");
        for (const auto& [status, meaning] : text.exitStatus) {
            page += ".TP\n.B " + roffText(status) + '\n' + roffText(meaning) + '\n';
        }
    }
    if (!text.examples.empty()) {
        section(page, "EXAMPLES");
        for (const std::string& example : text.examples) {
            page += ".PP\n.nf\n" + roffText(example) + "\n.fi\n";
        }
    }
    if (!text.seeAlso.empty()) {
        section(page, "SEE ALSO");
        std::string list;
        for (const std::string& entry : text.seeAlso) {
            const std::size_t paren = entry.find('(');
            list += (list.empty() ? "" : ",\n") + std::string(".BR ") + roffText(entry.substr(0, paren)) + ' ' +
                    entry.substr(paren);
        }
        page += list + '\n';
    }
    return page;
}

}  // namespace gnsslog
