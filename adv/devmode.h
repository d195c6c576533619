#pragma once
// Developer mode (advengine --dev): the game's frames with its files
// watched. A changed script of the current scene, picture or map brings the
// current moment back (the scene's start replayed with the player's
// decisions) as the files now have it; a changed game.ini restarts the game
// from start.lua. An error that would end the game, and the interpreter's
// message that would only reach standard error, shows over the picture
// until a change or F8 brings the moment back. F8 reloads the scene by hand;
// the caption names the script and the page.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gamefiles/folderwatch.h"

class LuaRunner;

namespace adv {

class DevMode {
public:
    using MakeRunner = std::function<std::unique_ptr<LuaRunner>()>;
    explicit DevMode(MakeRunner makeRunner);  // watches the game's folders
    ~DevMode();
    DevMode(const DevMode&) = delete;
    DevMode& operator=(const DevMode&) = delete;

    void start();                        // a new runner with start.lua loaded
    void frame(std::uint32_t periodMs);  // one frame, paced as adv::runFrame
    LuaRunner* runner() { return runner_.get(); }
    const std::string& shownError() const { return error_; }    // empty while the game runs
    const std::string& shownNotice() const { return notice_; }  // a reload that stopped short

private:
    enum class Change { None, Moment, Settings };
    Change changeOf(const std::vector<std::string>& paths);
    template <class Step>
    void guarded(const Step& step);
    void restart(bool readSettings);
    void reloadMoment();
    void retry(Change change);
    void errorFrame(std::uint32_t periodMs);
    void drawOverlay();
    void updateCaption();

    MakeRunner makeRunner_;
    std::unique_ptr<LuaRunner> runner_;
    FolderWatch watch_;
    std::string error_;
    bool settingsFailed_ = false;
    std::string notice_;
    int noticeFrames_ = 0;
    std::string caption_;
};

}  // namespace adv
