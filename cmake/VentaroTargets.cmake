# ventaro_library(<name> QT <modules>... [DEPS <targets>...] [PRIVATE_DEPS <targets>...]
#                  [EXCLUDE <file names>...])
# Builds the static library ventaro_<name> from every .cpp, .h and .ui file
# of the calling folder. QT names the Qt modules its code uses; DEPS are the
# targets its headers include (users get them too), PRIVATE_DEPS those only
# its sources include.
function(ventaro_library name)
  cmake_parse_arguments(ARG "" "" "QT;DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  if(NOT ARG_QT)
    message(FATAL_ERROR "ventaro_library(${name}): name the Qt modules it uses (QT Core ...)")
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
  if(ARG_PRIVATE_DEPS)
    target_link_libraries(ventaro_${name} PRIVATE ${ARG_PRIVATE_DEPS})
  endif()
  target_compile_definitions(ventaro_${name} ${scope}
    VENTARO_VERSION="${PROJECT_VERSION}")
endfunction()

# ventaro_forbid_link(<module> [COMPILE] [ONLY <who>] TARGETS <targets>...)
# Stops the configuration when one of the targets links <module> (e.g.
# Qt6::Widgets), directly or through any library it links: the layers below
# the windows must stay usable without a display. COMPILE: only building
# against <module> counts, so a library's private link of it (which its
# users link, but never see) passes. ONLY names who may, for the message.
function(ventaro_forbid_link module)
  cmake_parse_arguments(ARG "COMPILE" "ONLY" "TARGETS" ${ARGN})
  if(NOT ARG_ONLY)
    set(ARG_ONLY "the window libraries")
  endif()
  foreach(top IN LISTS ARG_TARGETS)
    set(queue ${top})
    set(seen)
    set(own TRUE) # the first target of the queue is the top one
    while(queue)
      list(POP_FRONT queue target)
      if(target IN_LIST seen OR NOT TARGET ${target})
        continue()
      endif()
      list(APPEND seen ${target})
      get_target_property(real ${target} ALIASED_TARGET)
      if(real)
        set(target ${real})
      endif()
      set(properties LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      if(ARG_COMPILE AND NOT own)
        # What a linked library builds against privately stays with it.
        set(properties INTERFACE_LINK_LIBRARIES)
      endif()
      set(own FALSE)
      set(links)
      foreach(property IN LISTS properties)
        get_target_property(value ${target} ${property})
        if(value)
          list(APPEND links ${value})
        endif()
      endforeach()
      foreach(link IN LISTS links)
        if(ARG_COMPILE AND link MATCHES "^\\$<LINK_ONLY:")
          continue()
        endif()
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        if(link STREQUAL module)
          message(FATAL_ERROR "${top} links ${module} (through ${target}); "
                              "only ${ARG_ONLY} may.")
        endif()
        if(link MATCHES "^ventaro")
          list(APPEND queue ${link})
        endif()
      endforeach()
    endwhile()
  endforeach()
endfunction()

# ventaro_add_subfolders(): adds every folder beside the calling
# CMakeLists.txt that has a CMakeLists.txt of its own.
function(ventaro_add_subfolders)
  file(GLOB dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*")
  foreach(dir IN LISTS dirs)
    if(IS_DIRECTORY "${dir}" AND EXISTS "${dir}/CMakeLists.txt")
      add_subdirectory("${dir}")
    endif()
  endforeach()
endfunction()

# ventaro_test(<name> [SOURCES <files>...] LIBS <targets>... LABELS <labels>...
#              [ENV <VAR=value>...] [TIMEOUT <seconds>] [SIMULATOR])
# One QtTest executable, built from <name>.cpp beside the caller and the
# SOURCES it also needs, registered in CTest with the offscreen platform.
# SIMULATOR: the test starts the standalone simulator, whose path it gets
# as VENTARO_SIMULATOR and which is built before it.
function(ventaro_test name)
  cmake_parse_arguments(ARG "SIMULATOR" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${name}.cpp ${ARG_SOURCES})
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
