# The cues' names and the largest cue file, written once for the build, the
# programs and the page. cues/CMakeLists.txt reads this file and hands both
# on: to C++ through CueCatalog.h (which checks the names against enum Cue),
# to the build as the global properties TARNWICK_CUE_NAMES and
# TARNWICK_MAX_CUE_FILE_BYTES, and from there to the page's service worker.

# In the order of enum Cue (game/CuePlayer.h); each is also the stem of the
# cue's wave file ("pickup.WAV").
set(TARNWICK_CUE_NAMES pickup pegdrop winner loser loser4 loser3)

# 64 MiB + 64 KiB: the widest samples the wave reader takes (4 bytes) for
# the most it decodes (32 MiB of 16-bit samples) is a 64 MiB data chunk, and
# 64 KiB leaves room for the header and the chunks sound programs put before
# the data. A larger file cannot be a cue the reader would play in full.
set(TARNWICK_MAX_CUE_FILE_BYTES 67174400)
