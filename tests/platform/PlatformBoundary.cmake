# Only the platform folders speak to the operating system: everything else reaches it through
# the interfaces in src/platform/. A file outside src/platform/linux/ that includes one of its
# headers ties that code to Linux, so the other platform's build would break on it.
file(GLOB_RECURSE sources RELATIVE ${SOURCE} ${SOURCE}/src/*.h ${SOURCE}/src/*.cpp)
set(crossing "")
foreach(source IN LISTS sources)
    if(source MATCHES "^src/platform/linux/")
        continue()
    endif()
    file(STRINGS ${SOURCE}/${source} includes REGEX "^#include \"platform/linux/")
    foreach(line IN LISTS includes)
        string(APPEND crossing "\n  ${source}: ${line}")
    endforeach()
endforeach()
if(crossing)
    message(FATAL_ERROR "Linux headers included outside src/platform/linux/:${crossing}")
endif()
