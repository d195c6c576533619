#pragma once
// LuaRunner: loads one script at a time from the script folder, resumes it once
// per frame in its running state, waits for the player or for time in the
// others, and draws the stage, the state's pictures, the effects and the cursor.
#include <cstdint>
#include <string>
#include <string_view>

#include "adv/engine.h"
#include "luaexecutor/luaexecutor.h"

// The virtual operations are meant for overriding: a game or a test may
// change how a frame is stepped or how one part of it is drawn.
class LuaRunner : public Lua {
public:
    LuaRunner();
    ~LuaRunner() override;

    void loadFile(std::string_view file) override;  // scriptDirectory + file, commands registered
    // The script at a path from the game's folder, as loadFile loads it.
    void loadScript(const std::string& path);
    virtual void reset();
    // pf, cursor and msgwin from the level folder, as the constructor reads them.
    void loadInterfacePictures();
    virtual void update();
    virtual void draw();
    virtual void renderBackground();
    virtual void renderNextBackground();
    virtual void renderCharacters();
    virtual void renderMessageWindow();

    std::int32_t pageIconFrames = 0;
    std::int32_t pageIconSize = 0;
    std::int32_t cursorSize = 0;

private:
    void step();
    void changeScript(const std::string& file);
    bool changingScript_ = false;
};
