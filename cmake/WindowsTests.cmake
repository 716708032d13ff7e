# cmake/WindowsTests.cmake: the test programs of the Windows build, run under Wine by
# scripts/windows.sh. GoogleTest is built from Debian's source package (googletest, in
# /usr/src/googletest), since there is no mingw-w64 build of it.
#
# Test files that exercise a POSIX stand-in itself (the SQLite registry file, unix
# sockets, lock files, DLL names found as shared objects) have no meaning here and are
# left out by name below; the same behaviour on Windows is the system's own.
set(MTAFILTER_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${MTAFILTER_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

set(WINDOWS_POSIX_ONLY_TESTS
    # The registry's SQLite file (its locks, its faults, processes sharing it) and the
    # stand-in's own orders: names enumerate in the order made there, sorted on Windows,
    # whose registry win32/SystemObjectsTest.cpp checks instead.
    "tests/platform/RegistryTest\\.cpp$"
    # A local TCP peer built from POSIX sockets, to test the socket stand-in's deadlines.
    "tests/platform/StreamSocketTest\\.cpp$"
    # Windows paths and DLL names looked up on a case-sensitive file system.
    "tests/platform/HostPathTest\\.cpp$"
    # Compares the in-memory envelope splitter with the stand-in's text-mode line reader,
    # which it reproduces; the C runtime of Windows splits some odd bytes otherwise (lone
    # CRs, zero bytes, Ctrl-Z), which the envelopes the server writes do not hold.
    "tests/common/TextModeLinesTest\\.cpp$"
    # Fills the disk with a file-size limit and its signal (setrlimit, SIGXFSZ).
    "tests/common/AtomicFileTest\\.cpp$"
    # Makes registry writes fail by holding the write lock of the SQLite file that stands
    # for the registry here.
    "tests/base/CounterSaveFailureTest\\.cpp$"
    # `mtafilter script` runs our own VBScript engine, which mtafilter.exe does not have.
    "tests/tools/ScriptCommandTest\\.cpp$"
    # The classifier library needs SQLite, which has no mingw-w64 build in Debian.
    "tests/tools/BayesCommandTest\\.cpp$")

file(GLOB FIXTURE_SOURCES CONFIGURE_DEPENDS tests/fixtures/*.cpp)
add_library(mtafilter_fixtures STATIC ${FIXTURE_SOURCES})
target_link_libraries(mtafilter_fixtures PUBLIC mtafilter_platform gtest)
target_compile_definitions(mtafilter_fixtures PRIVATE
    MTAFILTER_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests"
    MTAFILTER_HELPER_LIBS="${CMAKE_BINARY_DIR}/tests/helper-libs")

function(add_windows_test_program name libraries)
    file(GLOB sources CONFIGURE_DEPENDS ${ARGN})
    foreach(pattern ${WINDOWS_POSIX_ONLY_TESTS})
        list(FILTER sources EXCLUDE REGEX "${pattern}")
    endforeach()
    if(MTAFILTER_TEST_FILTER)
        list(FILTER sources INCLUDE REGEX "${MTAFILTER_TEST_FILTER}")
    endif()
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${libraries} mtafilter_fixtures gtest_main)
    target_compile_definitions(${name} PRIVATE
        MTAFILTER_PLUGIN="$<TARGET_FILE:MTAFILTER>"
        MTAFILTER_TOOL="$<TARGET_FILE:mtafilter>"
        MTAFILTER_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests"
        MTAFILTER_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}/tests"
        MTAFILTER_HELPER_LIBS="${CMAKE_BINARY_DIR}/tests/helper-libs")
    # One CTest per program: starting Wine for every test case would take most of the leg.
    add_dependencies(${name} PlatformHelperProgram PluginHostProgram MessageRewriterProgram
        ProviderStubFull
        ProviderStubPlain ProviderStubPartial ProviderStubNoExecute)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

set(MTAFILTER_WINDOWS_TESTS "platform;common;filters;base;analysis;actions;frame;store;tools;host"
    CACHE STRING "the test folders built for Windows")
foreach(folder ${MTAFILTER_WINDOWS_TESTS})
    if(folder STREQUAL "platform")
        add_windows_test_program(platform_tests mtafilter_platform tests/platform/*.cpp
            tests/platform/win32/*.cpp)
    elseif(folder STREQUAL "common")
        add_windows_test_program(common_tests mtafilter_common tests/common/*.cpp)
    elseif(folder STREQUAL "frame")
        add_windows_test_program(frame_tests mtafilter_core tests/frame/*.cpp
            tests/providers/*.cpp)
    elseif(folder STREQUAL "tools")
        add_windows_test_program(tools_tests mtafilter_tools tests/tools/*.cpp)
    elseif(folder STREQUAL "host")
        add_windows_test_program(host_tests mtafilter_platform tests/host/*.cpp)
    else()
        add_windows_test_program(${folder}_tests mtafilter_core tests/${folder}/*.cpp)
    endif()
endforeach()
foreach(program tools_tests host_tests)
    if(TARGET ${program})
        add_dependencies(${program} MTAFILTER mtafilter)
    endif()
endforeach()

# The outside-library stand-ins in their export variants, as DLLs named as the plug-in
# asks for them (".DLL"); the end-to-end run puts the full one into the provider
# directory as the DNS provider.
foreach(variant Full Plain Partial NoExecute)
    add_library(ProviderStub${variant} MODULE tests/helpers/stubs/ProviderStub.cpp)
    set_target_properties(ProviderStub${variant} PROPERTIES PREFIX "" SUFFIX ".DLL"
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/helper-libs)
endforeach()
target_compile_definitions(ProviderStubFull PRIVATE STUB_QP_ENTRIES STUB_SERVICE_ENTRIES)
target_compile_definitions(ProviderStubPlain PRIVATE STUB_PLAIN_ENTRIES)
target_compile_definitions(ProviderStubPartial PRIVATE STUB_QP_ENTRIES STUB_WITHOUT_CLEANUP)
target_compile_definitions(ProviderStubNoExecute PRIVATE STUB_QP_ENTRIES STUB_WITHOUT_EXECUTE)

# The program tests start as the other process (in place of a shell on Linux), the host
# that exits with the plug-in still loaded, and the message rewriter a test kills.
foreach(helper PlatformHelperProgram PluginHostProgram MessageRewriterProgram)
    add_executable(${helper} tests/helpers/${helper}.cpp)
    target_link_libraries(${helper} PRIVATE mtafilter_platform)
    set_target_properties(${helper} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endforeach()
target_link_libraries(MessageRewriterProgram PRIVATE mtafilter_core)
