#pragma once
// The findings of one check: problems (the game fails or misbehaves) and
// notes (worth a look, but the game runs), with the closing summary.
#include <set>
#include <string>
#include <vector>

namespace advcheck {

enum class Severity { Problem, Note };

struct Finding {
    std::string file;  // relative to the game folder
    int line = 0;      // 0 when no line applies
    Severity severity = Severity::Problem;
    std::string message;

    auto operator<=>(const Finding&) const = default;
};

// "file:line: message", "file: message"; notes say "note: " before the message.
std::string formatFinding(const Finding& finding);

class Report {
public:
    void problem(const std::string& file, int line, const std::string& message);
    void note(const std::string& file, int line, const std::string& message);
    void fileExamined(const std::string& file);
    void scriptUnreachable(const std::string& file);

    // Sorted by file and line; a finding made twice is kept once.
    std::vector<Finding> findings() const;
    int problems() const;
    int notes() const;
    std::string summary() const;  // e.g. "advcheck: 3 problems in 12 files"
    std::string text() const;     // every finding, one a line, then the summary
    int exitStatus() const { return problems() == 0 ? 0 : 1; }

private:
    void add(Finding finding);

    std::vector<Finding> findings_;
    std::set<Finding> seen_;
    std::set<std::string> files_;
    int unreachable_ = 0;
};

}  // namespace advcheck
