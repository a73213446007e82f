# The warning set of the project's own code. Qt, FFmpeg, TagLib and the other
# packages come in through imported targets, whose include folders are system
# folders, so their headers do not count.

set(VELMORA_WARNINGS -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-qual -Wmissing-declarations -Wold-style-cast -Wpedantic)

option(VELMORA_WERROR "Treat the project's warnings as errors" OFF)
if(VELMORA_WERROR)
    list(APPEND VELMORA_WARNINGS -Werror)
endif()
