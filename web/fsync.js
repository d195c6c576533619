// The engine's fsync in the page returns at once. The page's files live in
// memory, and web/page.js copies what it keeps in the browser's storage once
// a file is written whole; an fsync that waited for that storage would
// suspend the engine inside its file writes, which are not among the
// functions built to be suspended (only the frame loop's way to its sleep is).
mergeInto(LibraryManager.library, {
  fd_sync__deps: ['$SYSCALLS', '$FS'],
  fd_sync: function (fd) {
    try {
      SYSCALLS.getStreamFromFD(fd);
      return 0;
    } catch (e) {
      if (!(e instanceof FS.ErrnoError)) throw e;
      return e.errno;
    }
  },
});
