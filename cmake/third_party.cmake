# The libraries the importers parse with, both from Debian's archive (scripts/install-deps.sh):
#   tarquel_yaml  libyaml (C). The host links Debian's build; the MinGW build compiles the same
#                 version from Debian's source package, unpacked under build/deps/.
#   tarquel_json  nlohmann/json, header-only: the headers Debian installed, on both sides.
# On Windows itself, set TARQUEL_LIBYAML_SOURCE to an unpacked libyaml source tree, or leave it
# unset and let find_package find both (vcpkg: yaml, nlohmann-json).
set(TARQUEL_LIBYAML_SOURCE "" CACHE PATH "libyaml's source tree, built here for Windows")

add_library(tarquel_json INTERFACE)
add_library(tarquel_yaml INTERFACE)

if(WIN32 AND (CMAKE_CROSSCOMPILING OR TARQUEL_LIBYAML_SOURCE))
  if(NOT TARQUEL_LIBYAML_SOURCE)
    file(GLOB yaml_trees ${PROJECT_SOURCE_DIR}/build/deps/libyaml-*)
    list(SORT yaml_trees)
    list(POP_BACK yaml_trees TARQUEL_LIBYAML_SOURCE)
  endif()
  if(NOT EXISTS "${TARQUEL_LIBYAML_SOURCE}/src/api.c")
    message(FATAL_ERROR "libyaml's source is not under build/deps/: run scripts/install-deps.sh")
  endif()
  enable_language(C)
  file(STRINGS ${TARQUEL_LIBYAML_SOURCE}/configure.ac yaml_versions
       REGEX "^m4_define\\(\\[YAML_(MAJOR|MINOR|PATCH)\\], [0-9]+\\)")
  foreach(part MAJOR MINOR PATCH)
    string(REGEX MATCH "YAML_${part}\\], ([0-9]+)" _ "${yaml_versions}")
    set(yaml_${part} ${CMAKE_MATCH_1})
  endforeach()
  # Only the reading half: the exports write their YAML themselves.
  add_library(tarquel_libyaml STATIC
              ${TARQUEL_LIBYAML_SOURCE}/src/api.c ${TARQUEL_LIBYAML_SOURCE}/src/reader.c
              ${TARQUEL_LIBYAML_SOURCE}/src/scanner.c ${TARQUEL_LIBYAML_SOURCE}/src/parser.c
              ${TARQUEL_LIBYAML_SOURCE}/src/loader.c)
  target_compile_definitions(tarquel_libyaml
    PUBLIC YAML_DECLARE_STATIC
    PRIVATE YAML_VERSION_MAJOR=${yaml_MAJOR} YAML_VERSION_MINOR=${yaml_MINOR}
            YAML_VERSION_PATCH=${yaml_PATCH}
            YAML_VERSION_STRING="${yaml_MAJOR}.${yaml_MINOR}.${yaml_PATCH}")
  target_include_directories(tarquel_libyaml SYSTEM PUBLIC ${TARQUEL_LIBYAML_SOURCE}/include)
  target_link_libraries(tarquel_yaml INTERFACE tarquel_libyaml)
else()
  find_package(yaml CONFIG QUIET)  # vcpkg's
  if(TARGET yaml)
    target_link_libraries(tarquel_yaml INTERFACE yaml)
  else()
    find_path(yaml_include yaml.h REQUIRED)
    find_library(yaml_library yaml REQUIRED)
    target_include_directories(tarquel_yaml SYSTEM INTERFACE ${yaml_include})
    target_link_libraries(tarquel_yaml INTERFACE ${yaml_library})
  endif()
endif()

if(CMAKE_CROSSCOMPILING)
  # The installed headers reached through a folder of their own, so that the cross compiler
  # never sees the rest of the host's /usr/include.
  find_path(json_include nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
            NO_DEFAULT_PATH REQUIRED)
  set(json_link ${CMAKE_BINARY_DIR}/third_party/include)
  file(MAKE_DIRECTORY ${json_link})
  file(CREATE_LINK ${json_include}/nlohmann ${json_link}/nlohmann SYMBOLIC)
  target_include_directories(tarquel_json SYSTEM INTERFACE ${json_link})
else()
  find_package(nlohmann_json 3.9 REQUIRED)
  target_link_libraries(tarquel_json INTERFACE nlohmann_json::nlohmann_json)
endif()
