# SDL2::SDL2, the shared SDL library and its headers.
#
# With libsdl2-dev installed (a developer's machine, CI) it comes from that
# package's own CMake file. A player's machine has only the library
# (libsdl2-2.0-0) and the headers of libsdl2-dev unpacked, not installed, under
# TUMBLETOWN_SDL2_HEADERS by `scripts/install-deps.sh play`: installed, the
# package would pull in the development files of every back end SDL can use
# (Wayland, PulseAudio, ALSA, D-Bus, IBus, OpenGL ES, ...), about 100 packages
# that a program linking the shared library never reads.
set(TUMBLETOWN_SDL2_HEADERS ${PROJECT_SOURCE_DIR}/build/debian/libsdl2-dev
    CACHE PATH "libsdl2-dev unpacked, for a build without the package installed")

# Not from the prefixes of PATH: with /bin before /usr/bin there (setpriv's
# root PATH, some containers), CMake would find the package's file through the
# /lib -> /usr/lib link first, and that file then looks for the headers in
# //include.
find_package(SDL2 CONFIG QUIET NO_SYSTEM_ENVIRONMENT_PATH)
if(NOT SDL2_FOUND)
  set(headers ${TUMBLETOWN_SDL2_HEADERS}/usr/include)
  find_library(TUMBLETOWN_SDL2_LIBRARY NAMES libSDL2-2.0.so.0 SDL2-2.0 SDL2)
  if(NOT EXISTS ${headers}/SDL2/SDL.h OR NOT TUMBLETOWN_SDL2_LIBRARY)
    message(FATAL_ERROR "SDL2 not found: install libsdl2-dev, or run scripts/install-deps.sh play, "
                        "which installs libsdl2-2.0-0 and unpacks the headers into ${TUMBLETOWN_SDL2_HEADERS}")
  endif()
  message(STATUS "SDL2: ${TUMBLETOWN_SDL2_LIBRARY} with the headers unpacked in ${TUMBLETOWN_SDL2_HEADERS}")
  add_library(SDL2::SDL2 SHARED IMPORTED)
  set_target_properties(SDL2::SDL2 PROPERTIES
    IMPORTED_LOCATION ${TUMBLETOWN_SDL2_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES "${headers};${headers}/SDL2;${headers}/${CMAKE_LIBRARY_ARCHITECTURE}")
endif()
