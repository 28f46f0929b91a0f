# Helpers that keep the per-folder CMakeLists files to a line or two.

set(LUMORA_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough)

# Precompiled toolkit headers make a build from scratch faster: parsing Qt's headers is most
# of the compile time of a file. Off by default until measured over whole builds; the compiler
# cache keeps files built with them only with CCACHE_SLOPPINESS=pch_defines,time_macros (the
# build scripts set it).
option(LUMORA_PCH "Precompile the Qt headers of the libraries and the tests" OFF)

# lumora_precompile(<target> <Qt module>...): the target's own precompiled header holding the
# headers of those Qt modules (QtCore, QtGui, QtWidgets).
function(lumora_precompile target)
  if(NOT LUMORA_PCH)
    return()
  endif()
  set(headers)
  foreach(module ${ARGN})
    list(APPEND headers <${module}/${module}>)
  endforeach()
  target_precompile_headers(${target} PRIVATE ${headers})
  # The compiler cache preprocesses each file to recognise it: with this the precompiled header
  # stays a reference instead of being expanded into every file's preprocessed text.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fpch-preprocess)
  endif()
endfunction()

# lumora_module(<name> [DEPS <targets>...])
# A static library made of every .cpp and .h in the calling folder, named lumora_<name>.
# Headers are included by their path below src/, e.g. #include "xml/XmlDocument.h".
function(lumora_module name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # Headers only so far: an interface library keeps dependants building.
    add_library(lumora_${name} INTERFACE)
    target_include_directories(lumora_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(lumora_${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(lumora_${name} STATIC ${sources} ${headers})
  target_include_directories(lumora_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(lumora_${name} PRIVATE ${LUMORA_WARNINGS})
  target_compile_definitions(lumora_${name} PUBLIC
      LUMORA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
      LUMORA_VERSION_MINOR=${PROJECT_VERSION_MINOR}
      LUMORA_VERSION_PATCH=${PROJECT_VERSION_PATCH})
  target_link_libraries(lumora_${name} PUBLIC ${ARG_DEPS})
  set_target_properties(lumora_${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  # A precompiled header pays for itself from about half a dozen files; engine modules never
  # see the widget headers.
  list(LENGTH sources count)
  if(count GREATER_EQUAL 6)
    if(Qt6::Widgets IN_LIST ARG_DEPS)
      lumora_precompile(lumora_${name} QtCore QtGui QtWidgets)
    elseif(Qt6::Gui IN_LIST ARG_DEPS)
      lumora_precompile(lumora_${name} QtCore QtGui)
    else()
      lumora_precompile(lumora_${name} QtCore)
    endif()
  endif()
endfunction()

# lumora_test(<name> SOURCES <files>... LIBS <targets>... [GUI])
# A Qt Test executable registered with ctest, linked with the shared test support
# (tests/support, included as "support/..."). Tests run on the offscreen platform and
# may write screenshots below ${CMAKE_BINARY_DIR}/screenshots.
function(lumora_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} lumora_test_support Qt6::Test)
  target_compile_options(${name} PRIVATE ${LUMORA_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
      LUMORA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      LUMORA_BUILD_DIR="${CMAKE_BINARY_DIR}"
      LUMORA_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(LUMORA_PCH)
    # Every test uses the one precompiled header of the test support library.
    target_precompile_headers(${name} REUSE_FROM lumora_test_support)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${name} PRIVATE -fpch-preprocess)
    endif()
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(environment "QT_QPA_PLATFORM=offscreen;LUMORA_NO_FILE_MANAGER=1;QT_LOGGING_RULES=qt.qpa.*=false")
  if(LUMORA_SANITIZE)
    # Tests may leave out what cannot work under the sanitizers (LUMORA_SANITIZE is defined).
    target_compile_definitions(${name} PRIVATE LUMORA_SANITIZE=1)
    # Leaks inside libraries that the program cannot free are suppressed per test, in
    # cmake/lsan/<test name>.supp, so that a suppression never hides leaks of other tests.
    set(suppressions ${PROJECT_SOURCE_DIR}/cmake/lsan/${name}.supp)
    if(EXISTS ${suppressions})
      list(APPEND environment "LSAN_OPTIONS=suppressions=${suppressions}:print_suppressions=0")
    endif()
  endif()
  # The desktop program speaks the locale's language: tests run in the default one (Chinese)
  # whatever the locale of the machine; the language test sets its locales itself.
  list(APPEND environment "LANG=C.UTF-8")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${environment}"
      ENVIRONMENT_MODIFICATION "LANGUAGE=unset:;LC_ALL=unset:;LC_MESSAGES=unset:")
endfunction()
