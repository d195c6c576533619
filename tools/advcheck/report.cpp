#include "tools/advcheck/report.h"

#include <algorithm>

namespace advcheck {

namespace {

std::string counted(int count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace

std::string formatFinding(const Finding& finding) {
    std::string text = finding.file;
    if (finding.line > 0) text += ":" + std::to_string(finding.line);
    text += ": ";
    if (finding.severity == Severity::Note) text += "note: ";
    return text + finding.message;
}

void Report::add(Finding finding) {
    if (seen_.insert(finding).second) findings_.push_back(std::move(finding));
}

void Report::problem(const std::string& file, int line, const std::string& message) {
    add({file, line, Severity::Problem, message});
}

void Report::note(const std::string& file, int line, const std::string& message) {
    add({file, line, Severity::Note, message});
}

void Report::fileExamined(const std::string& file) { files_.insert(file); }

void Report::scriptUnreachable(const std::string& file) {
    ++unreachable_;
    note(file, 0, "no path from start.lua reaches this script");
}

std::vector<Finding> Report::findings() const {
    std::vector<Finding> sorted = findings_;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    return sorted;
}

int Report::problems() const {
    return static_cast<int>(std::count_if(findings_.begin(), findings_.end(),
                                          [](const Finding& f) { return f.severity == Severity::Problem; }));
}

int Report::notes() const { return static_cast<int>(findings_.size()) - problems(); }

std::string Report::summary() const {
    std::string text = "advcheck: ";
    text += problems() == 0 ? "no problems" : counted(problems(), "problem", "problems");
    if (notes() > 0) {
        text += ", " + counted(notes(), "note", "notes");
        if (unreachable_ > 0)
            text += " (" + counted(unreachable_, "unreachable script", "unreachable scripts") + ")";
    }
    return text + " in " + counted(static_cast<int>(files_.size()), "file", "files");
}

std::string Report::text() const {
    std::string text;
    for (const Finding& finding : findings()) text += formatFinding(finding) + "\n";
    return text + summary() + "\n";
}

}  // namespace advcheck
