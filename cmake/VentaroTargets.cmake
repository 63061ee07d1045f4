# ventaro_library(<name> [QT <modules>...] [DEPS <targets>...] [EXCLUDE <file names>...])
# Builds the static library ventaro_<name> from every .cpp, .h and .ui file
# of the calling folder, and links it to the given Qt modules (default Core,
# Gui and Widgets) and targets.
function(ventaro_library name)
  cmake_parse_arguments(ARG "" "" "QT;DEPS;EXCLUDE" ${ARGN})
  if(NOT ARG_QT)
    set(ARG_QT Core Gui Widgets)
  endif()
  list(TRANSFORM ARG_QT PREPEND "Qt6::" OUTPUT_VARIABLE qt_targets)
  file(GLOB sources CONFIGURE_DEPENDS
       "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.h"
       "${CMAKE_CURRENT_SOURCE_DIR}/*.ui")
  foreach(skip IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${skip}")
  endforeach()
  list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$|\\.ui$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    set(kind STATIC)
    set(scope PUBLIC)
  else()
    # A folder whose subsystem is not written yet still gives a target.
    set(kind INTERFACE)
    set(scope INTERFACE)
    set(sources)
  endif()
  add_library(ventaro_${name} ${kind} ${sources})
  add_library(ventaro::${name} ALIAS ventaro_${name})
  target_include_directories(ventaro_${name} ${scope} "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(ventaro_${name} ${scope} ${qt_targets} ${ARG_DEPS})
  target_compile_definitions(ventaro_${name} ${scope}
    VENTARO_VERSION="${PROJECT_VERSION}")
endfunction()

# ventaro_test(<name> SOURCES <files>... LIBS <targets>... LABELS <labels>...
#              [ENV <VAR=value>...] [TIMEOUT <seconds>] [SIMULATOR])
# One QtTest executable, registered in CTest with the offscreen platform.
# SIMULATOR: the test starts the standalone simulator, whose path it gets
# as VENTARO_SIMULATOR and which is built before it.
function(ventaro_test name)
  cmake_parse_arguments(ARG "SIMULATOR" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    VENTARO_DATA_DIR="${VENTARO_DATA_DIR}"
    VENTARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(ARG_SIMULATOR)
    target_compile_definitions(${name} PRIVATE VENTARO_SIMULATOR="$<TARGET_FILE:ventaro-sim>")
    add_dependencies(${name} ventaro-sim)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${ARG_LABELS}"
    TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-home/data;${ARG_ENV}")
  # JACK servers of different tests meet in libjack's shared registry of
  # servers: tests that start servers run one at a time (the rest in parallel).
  if("jack" IN_LIST ARG_LABELS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK jack_servers)
  endif()
endfunction()

# ventaro_bench(<name> SOURCES <files>... LIBS <targets>...)
function(ventaro_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE VENTARO_DATA_DIR="${VENTARO_DATA_DIR}")
endfunction()
