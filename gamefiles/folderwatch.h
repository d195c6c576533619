#pragma once
// Watching a game's folders for the files an author saves: written, created
// or moved in (editors often write a new file and rename it over the old
// one, so folders are watched, not files). Reading never waits.
#include <map>
#include <string>
#include <vector>

class FolderWatch {
public:
    // Whether the system tells of changes; where it does not (Windows, the page), the
    // watch takes folders but never reports a change.
#if defined(_WIN32) || defined(__EMSCRIPTEN__)
    static constexpr bool supported = false;
#else
    static constexpr bool supported = true;
#endif

    FolderWatch();  // throws Error when the system refuses a watch
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Watches a folder ("resource/level/"), with `subfolders` also every
    // folder below it, those made later included. A missing folder is left out.
    void add(const std::string& folder, bool subfolders);
    // The paths changed since the last call ("resource/level/ch1/02.lua"),
    // each once, in the order of their first change. When the system lost
    // events, the watched folders themselves stand for everything in them.
    std::vector<std::string> changes();

private:
    struct Folder {
        std::string path;  // ends with '/'
        bool subfolders = false;
    };
    void watchFolder(const std::string& path, bool subfolders);
    void readEvents(std::vector<std::string>& changed);

    int descriptor_ = -1;
    std::map<int, Folder> folders_;  // by watch descriptor
};
