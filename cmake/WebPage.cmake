# The web page template, vyrla-page.html, built with emscripten in a build
# of its own and put beside vyrla-pack, which fills it with a quiz. Without
# emscripten the packer is built all the same and says so when asked for a page.
find_program(VYRLA_EMCC emcc)
if(NOT VYRLA_EMCC)
    message(STATUS "emscripten not found: vyrla-page.html (web pages) is not built")
    return()
endif()
get_filename_component(emcc_real ${VYRLA_EMCC} REALPATH)
get_filename_component(emscripten_root ${emcc_real} DIRECTORY)
set(VYRLA_EMSCRIPTEN_TOOLCHAIN ${emscripten_root}/cmake/Modules/Platform/Emscripten.cmake
    CACHE FILEPATH "emscripten's CMake toolchain file")

# Debian's emscripten runs its JavaScript tools with the system's node modules.
set(web_env ${CMAKE_COMMAND} -E env)
if(EXISTS /usr/share/nodejs)
    list(APPEND web_env NODE_PATH=/usr/share/nodejs)
endif()

include(ExternalProject)
set(web_dir ${CMAKE_BINARY_DIR}/web-page)
ExternalProject_Add(vyrla_web_page
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${web_dir}
    CONFIGURE_COMMAND ${web_env} ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${web_dir} -G ${CMAKE_GENERATOR}
        -DCMAKE_TOOLCHAIN_FILE=${VYRLA_EMSCRIPTEN_TOOLCHAIN} -DCMAKE_BUILD_TYPE=Release
    BUILD_COMMAND ${web_env} ${CMAKE_COMMAND} --build ${web_dir} --target vyrla-page
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${web_dir}/web/vyrla-page.html)
add_custom_command(TARGET vyrla_web_page POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${web_dir}/web/vyrla-page.html
            $<TARGET_FILE_DIR:vyrla-pack>/vyrla-page.html)
set(VYRLA_PAGE_TEMPLATE $<TARGET_FILE_DIR:vyrla-pack>/vyrla-page.html)
