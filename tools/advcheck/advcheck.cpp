#include "tools/advcheck/advcheck.h"

#include <filesystem>

#include "tools/advcheck/assets.h"
#include "tools/advcheck/scripts.h"
#include "tools/advcheck/settings.h"

namespace fs = std::filesystem;

namespace advcheck {

namespace {

// Makes a folder the working directory while it lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& folder, std::error_code& ec) : previous_(fs::current_path(ec)) {
        if (!ec) fs::current_path(folder, ec);
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    fs::path previous_;
};

}  // namespace

Report checkGame() {
    Report report;
    std::error_code ec;
    if (!fs::is_directory("resource/level", ec)) {
        report.problem("resource/level", 0, "no such folder: this is not a game folder");
        return report;
    }
    const GameSettings settings = checkSettings(report);
    Assets assets(report);
    checkFixedPictures(report, assets);
    checkScripts(report, assets, settings);
    return report;
}

int runAdvcheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1 || (args.size() == 1 && (args[0] == "-h" || args[0] == "--help"))) {
        err << "usage: advcheck [GAME_FOLDER]\n";
        return 1;
    }
    const fs::path folder = args.empty() ? "." : args[0];
    std::error_code ec;
    // The engine runs in its game folder and names every file relative to it.
    const WorkingDirectory inGame(folder, ec);
    if (ec) {
        err << "advcheck: cannot enter the game folder " << folder.string() << ": " << ec.message() << "\n";
        return 1;
    }
    const Report report = checkGame();
    out << report.text();
    return report.exitStatus();
}

}  // namespace advcheck
