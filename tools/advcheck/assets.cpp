// Pictures load with the engine's own reading of picture files, which needs no
// window; maps load with the engine's FMFLoader.
#include "tools/advcheck/assets.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "fmfloader/fmfloader.h"
#include "orba/picturefile.h"
#include "tools/advcheck/names.h"

namespace fs = std::filesystem;

namespace advcheck {

namespace {

constexpr int firstScript = 1;
constexpr int lastScript = 16;

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A file in the same folder whose name differs only in case.
std::optional<std::string> otherCase(const fs::path& file) {
    std::error_code ec;
    const std::string wanted = lowerCase(file.filename().string());
    for (fs::directory_iterator it(file.parent_path().empty() ? "." : file.parent_path(), ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (lowerCase(name) == wanted) return name;
    }
    return std::nullopt;
}

// Whether the folder lists the file under exactly its name. On a disk that
// ignores case (Windows) a name of another case opens the file too, but the
// game would not find it on Linux or in a package.
bool spelledAsOnDisk(const fs::path& file) {
    std::error_code ec;
    const fs::path name = file.filename();
    for (fs::directory_iterator it(file.parent_path().empty() ? "." : file.parent_path(), ec), end;
         !ec && it != end; it.increment(ec))
        if (it->path().filename() == name) return true;
    return false;
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
         it.increment(ec))
        if (it->is_regular_file(ec)) names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string describeMissing(const fs::path& file) {
    std::error_code ec;
    if (fs::exists(file, ec) && !fs::is_regular_file(file, ec))
        return "is not a regular file: the engine opens only regular files";
    const fs::path folder = file.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        return "does not exist (there is no folder " + folder.generic_string() + ")";
    }
    if (const auto other = otherCase(file)) {
        return "does not exist (there is " + *other + ": file names are case-sensitive)";
    }
    if (const auto near = nearestName(file.filename().string(), filesIn(folder))) {
        return "does not exist (did you mean " + *near + "?)";
    }
    return "does not exist";
}

enum class Shape { Any, CellRow, CursorCells };

void checkPictureShape(Report& report, const std::string& file, const PictureInfo& info, Shape shape) {
    const std::string size = std::to_string(info.width) + " x " + std::to_string(info.height);
    if (info.width == 0 || info.height == 0) {
        report.problem(file, 0, "the picture is " + size + ": it has no pixels to show");
    } else if (shape == Shape::CellRow && info.width < info.height) {
        report.problem(
            file, 0,
            "the picture is " + size +
                ": the page-feed cursor is a row of square cells, so it must be at least as wide as high");
    } else if (shape == Shape::CursorCells && info.width < 2 * info.height) {
        report.problem(
            file, 0,
            "the picture is " + size +
                ": the mouse cursor needs two square cells side by side, so it must be at least twice "
                "as wide as high");
    }
}

}  // namespace

std::string normalPath(const std::string& path) { return fs::path(path).lexically_normal().generic_string(); }

std::optional<std::string> Assets::missing(const std::string& path) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec) && spelledAsOnDisk(fs::path(path).lexically_normal())) {
        report_.fileExamined(normalPath(path));
        return std::nullopt;
    }
    return describeMissing(fs::path(path).lexically_normal());
}

const PictureInfo& Assets::picture(const std::string& path) {
    const std::string key = normalPath(path);
    if (const auto found = pictures_.find(key); found != pictures_.end()) return found->second;
    PictureInfo info;
    if (const auto why = missing(key)) {
        info.error = *why;
    } else if (const orba::PictureFile read = orba::readPicture(key); read.picture) {
        info = {true, read.picture->w, read.picture->h, {}};
    } else {
        info.error = "cannot be loaded as a picture: " + read.reason;
    }
    return pictures_.emplace(key, info).first->second;
}

const MapInfo& Assets::map(const std::string& path) {
    const std::string key = normalPath(path);
    if (const auto found = maps_.find(key); found != maps_.end()) return found->second;
    MapInfo info;
    if (const auto why = missing(key)) {
        info.error = *why;
        return maps_.emplace(key, info).first->second;
    }
    try {
        FMFLoader loader(key);
        info.loaded = true;
        info.layers = loader.layerCount;
        if (const Layer2D* layer = loader.getLayer(1)) {
            for (int row = 0; row < layer->height; ++row)
                for (int column = 0; column < layer->width; ++column) {
                    const int value = layer->get(column, row);
                    if (value >= firstScript && value <= lastScript)
                        info.picks.try_emplace(value, MapCell{column, row});
                }
        }
    } catch (const Error& e) {
        info.error = std::string("cannot be loaded: ") + e.what();
    }
    return maps_.emplace(key, info).first->second;
}

void checkFixedPictures(Report& report, Assets& assets) {
    struct Fixed {
        const char* file;
        Shape shape;
    };
    for (const Fixed& fixed : {Fixed{"resource/level/pf.bmp", Shape::CellRow},
                               Fixed{"resource/level/cursor.bmp", Shape::CursorCells},
                               Fixed{"resource/level/msgwin.bmp", Shape::Any}}) {
        const PictureInfo& info = assets.picture(fixed.file);
        if (!info.loaded) {
            report.problem(fixed.file, 0, "the picture " + info.error + "; the engine needs it at start-up");
        } else {
            checkPictureShape(report, fixed.file, info, fixed.shape);
        }
    }
}

}  // namespace advcheck
