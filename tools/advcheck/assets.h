#pragma once
// The files a game names: whether they exist, and pictures and maps loaded
// the way the engine loads them. Results are kept, so each file is read once.
#include <map>
#include <optional>
#include <string>

#include "tools/advcheck/report.h"

namespace advcheck {

// A path relative to the game folder, in its plain form ("a//b/../c" gives "a/c").
std::string normalPath(const std::string& path);

struct PictureInfo {
    bool loaded = false;
    int width = 0;
    int height = 0;
    std::string error;  // why it did not load
};

struct MapCell {
    int column = 0;
    int row = 0;
};

struct MapInfo {
    bool loaded = false;
    std::string error;
    int layers = 0;
    std::map<int, MapCell> picks;  // each value 1 to 16 of layer 1 and its first cell
};

class Assets {
public:
    explicit Assets(Report& report) : report_(report) {}

    // Why a file cannot be used ("does not exist", with a hint), or nothing.
    std::optional<std::string> missing(const std::string& path);
    const PictureInfo& picture(const std::string& path);
    const MapInfo& map(const std::string& path);

private:
    Report& report_;
    std::map<std::string, PictureInfo> pictures_;
    std::map<std::string, MapInfo> maps_;
};

// pf.bmp, cursor.bmp and msgwin.bmp in resource/level/, with the shapes the
// page-feed and mouse cursors need.
void checkFixedPictures(Report& report, Assets& assets);

}  // namespace advcheck
