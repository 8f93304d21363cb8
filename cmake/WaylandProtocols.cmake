# Client code for the Wayland protocols the native show and its helpers speak, generated with
# wayland-scanner from the definitions installed on the system, into one small static library:
# lumora_wayland_protocols. Its include folder holds "<name>-client-protocol.h" for each protocol.
# A protocol whose definition is not installed is left out; LUMORA_WAYLAND_HAVE_<NAME> tells
# which are in (NAME upper case, dashes as underscores).
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_SCANNER)
    find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT WAYLAND_PROTOCOLS_DIR)
    set(WAYLAND_PROTOCOLS_DIR /usr/share/wayland-protocols)
endif()
find_package(PlasmaWaylandProtocols QUIET)
if(NOT PLASMA_WAYLAND_PROTOCOLS_DIR)
    set(PLASMA_WAYLAND_PROTOCOLS_DIR /usr/share/plasma-wayland-protocols)
endif()
# The wlroots definitions come as data files of a Rust package whose folder carries a version.
file(GLOB LUMORA_WLR_PROTOCOL_DIRS LIST_DIRECTORIES true
    /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable)
list(SORT LUMORA_WLR_PROTOCOL_DIRS COMPARE NATURAL ORDER DESCENDING)
list(GET LUMORA_WLR_PROTOCOL_DIRS 0 LUMORA_WLR_PROTOCOL_DIR)
set(LUMORA_WLR_PROTOCOL_DIR "${LUMORA_WLR_PROTOCOL_DIR}" CACHE PATH
    "Folder holding the wlroots protocol definitions (wlr-layer-shell-unstable-v1.xml)")

set(LUMORA_WAYLAND_PROTOCOLS
    "xdg-shell|${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml"
    "viewporter|${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml"
    "fractional-scale-v1|${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml"
    "ext-idle-notify-v1|${WAYLAND_PROTOCOLS_DIR}/staging/ext-idle-notify/ext-idle-notify-v1.xml"
    "idle-inhibit-unstable-v1|${WAYLAND_PROTOCOLS_DIR}/unstable/idle-inhibit/idle-inhibit-unstable-v1.xml"
    "kde-idle|${PLASMA_WAYLAND_PROTOCOLS_DIR}/idle.xml"
    "wlr-layer-shell-unstable-v1|${LUMORA_WLR_PROTOCOL_DIR}/wlr-layer-shell-unstable-v1.xml"
    "wlr-virtual-pointer-unstable-v1|${LUMORA_WLR_PROTOCOL_DIR}/wlr-virtual-pointer-unstable-v1.xml")

set(out ${CMAKE_BINARY_DIR}/wayland-protocols)
file(MAKE_DIRECTORY ${out})
set(sources)
foreach(entry ${LUMORA_WAYLAND_PROTOCOLS})
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 name)
    list(GET entry 1 xml)
    string(TOUPPER "${name}" flag)
    string(REPLACE "-" "_" flag "${flag}")
    if(NOT EXISTS "${xml}")
        message(STATUS "Wayland protocol ${name}: no definition at ${xml}, left out")
        set(LUMORA_WAYLAND_HAVE_${flag} OFF)
        continue()
    endif()
    set(LUMORA_WAYLAND_HAVE_${flag} ON)
    add_custom_command(OUTPUT ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${out}/${name}-client-protocol.h
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${out}/${name}-protocol.c
        DEPENDS ${xml} VERBATIM)
    list(APPEND sources ${out}/${name}-protocol.c ${out}/${name}-client-protocol.h)
endforeach()

add_library(lumora_wayland_protocols STATIC ${sources})
set_target_properties(lumora_wayland_protocols PROPERTIES LINKER_LANGUAGE C)
target_include_directories(lumora_wayland_protocols PUBLIC ${out})
target_link_libraries(lumora_wayland_protocols PUBLIC PkgConfig::WAYLAND_CLIENT)
foreach(flag XDG_SHELL VIEWPORTER FRACTIONAL_SCALE_V1 EXT_IDLE_NOTIFY_V1 IDLE_INHIBIT_UNSTABLE_V1
        KDE_IDLE WLR_LAYER_SHELL_UNSTABLE_V1 WLR_VIRTUAL_POINTER_UNSTABLE_V1)
    if(LUMORA_WAYLAND_HAVE_${flag})
        target_compile_definitions(lumora_wayland_protocols INTERFACE LUMORA_WAYLAND_HAVE_${flag})
    endif()
endforeach()
