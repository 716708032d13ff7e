# cmake/Windows.cmake: MTAFILTER.DLL, mtafilter.exe and the test programs for Windows,
# cross-built with mingw-w64 (see cmake/mingw-w64.cmake and `scripts/build.sh windows`).
#
# The same sources as the Linux build, except:
# - platform/ takes the Win32 implementations in platform/win32/ in place of the POSIX
#   stand-ins of the same name; the portable platform files are shared.
# - The registry is the real one, so SQLite is not needed.
# - vbscript/ is left out: on Windows the script host creates the system's own VBScript
#   engine through COM, so the DLL never needs our engine (nor PCRE2, which it needs for
#   RegExp and which has no mingw-w64 package). The command's `script` subcommand, which
#   runs our engine directly, is not available in mtafilter.exe (tools/win32/), and
#   vbscript/win32/ stands for the engine's registration.
# - The entry point is DllMain (frame/win32/DllMain.cpp).
# - Of the provider libraries, the daemon clients QPFLTMSA.DLL (spamd) and QPAVGEN.DLL
#   (clamd) are built. The Bayesian classifier needs SQLite, and the DNS and DKIM
#   providers c-ares and OpenDKIM: Debian has no mingw-w64 build of any of them, so those
#   three stay Linux libraries.
# Everything is linked statically (libstdc++, libgcc, winpthread), so that the DLL and
# the programs import only system DLLs.

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)
find_package(Threads REQUIRED)

include_directories(${CMAKE_SOURCE_DIR})

# Platform: the POSIX stand-ins with a Win32 file of the same name are replaced.
file(GLOB WIN32_PLATFORM_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp)
file(GLOB PLATFORM_SOURCES CONFIGURE_DEPENDS platform/*.cpp)
foreach(source ${WIN32_PLATFORM_SOURCES})
    get_filename_component(name ${source} NAME)
    list(FILTER PLATFORM_SOURCES EXCLUDE REGEX "platform/${name}$")
endforeach()
# Windows paths need no translation to host paths (platform/win32/Files.cpp keeps them).
list(FILTER PLATFORM_SOURCES EXCLUDE REGEX "platform/HostPath\\.cpp$")
add_library(mtafilter_platform STATIC ${PLATFORM_SOURCES} ${WIN32_PLATFORM_SOURCES})
target_link_libraries(mtafilter_platform PUBLIC Threads::Threads ole32 oleaut32 uuid advapi32
    ws2_32 rpcrt4)

file(GLOB COMMON_SOURCES CONFIGURE_DEPENDS common/*.cpp)
add_library(mtafilter_common STATIC ${COMMON_SOURCES})
target_link_libraries(mtafilter_common PUBLIC mtafilter_platform)

add_library(mtafilter_vbscript STATIC vbscript/win32/SystemEngine.cpp)
target_link_libraries(mtafilter_vbscript PUBLIC mtafilter_common)

file(GLOB CORE_SOURCES CONFIGURE_DEPENDS
    base/*.cpp frame/*.cpp filters/*.cpp analysis/*.cpp providers/*.cpp actions/*.cpp store/*.cpp)
list(FILTER CORE_SOURCES EXCLUDE REGEX "frame/LibraryMain\\.cpp$")
add_library(mtafilter_core STATIC ${CORE_SOURCES})
target_link_libraries(mtafilter_core PUBLIC mtafilter_vbscript mtafilter_common)

# The DLL: exactly the five exports, under their plain names (frame/win32/MTAFILTER.def).
add_library(MTAFILTER SHARED frame/win32/DllMain.cpp frame/win32/MTAFILTER.def)
target_link_libraries(MTAFILTER PRIVATE -Wl,--whole-archive mtafilter_core mtafilter_vbscript
    mtafilter_common mtafilter_platform -Wl,--no-whole-archive)
set_target_properties(MTAFILTER PROPERTIES PREFIX "" OUTPUT_NAME "MTAFILTER" SUFFIX ".DLL")

file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS tools/*.cpp)
list(FILTER TOOL_SOURCES EXCLUDE REGEX "tools/(Main|ScriptCommand)\\.cpp$")
add_library(mtafilter_tools STATIC ${TOOL_SOURCES} tools/win32/ScriptCommand.cpp)
target_link_libraries(mtafilter_tools PUBLIC mtafilter_core)
target_compile_definitions(mtafilter_tools PRIVATE MTAFILTER_DEFAULT_PLUGIN="MTAFILTER.DLL"
    MTAFILTER_SCANNER_DIR="${CMAKE_BINARY_DIR}/scanners" MTAFILTER_LIBRARY_SUFFIX=".DLL")
add_executable(mtafilter tools/Main.cpp)
target_link_libraries(mtafilter PRIVATE mtafilter_tools)
add_dependencies(mtafilter MTAFILTER)

add_subdirectory(scanners/spamassassin)
add_subdirectory(scanners/clamav)
# "demo --scanners" installs the daemon clients from the build.
add_dependencies(mtafilter QPFLTMSA QPAVGEN)

if(MTAFILTER_TESTS)
    enable_testing()
    include(cmake/WindowsTests.cmake)
endif()
