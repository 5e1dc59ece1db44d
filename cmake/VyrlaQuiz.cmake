# Packing quizzes into player executables at build time.
#
#   vyrla_pack_quiz(NAME QUIZ.toml)      packs the quiz; sets NAME_RC and NAME_CONTENT_SOURCE
#   vyrla_add_quiz(TARGET QUIZ.toml)     a player executable that carries that quiz
set(VYRLA_CMAKE_DIR ${CMAKE_CURRENT_LIST_DIR})

if(CMAKE_CROSSCOMPILING)
    # The packer runs on the build machine: build it there with the host compiler.
    include(ExternalProject)
    set(host_dir ${CMAKE_BINARY_DIR}/host-tools)
    set(host_pack ${host_dir}/pack/vyrla-pack${CMAKE_HOST_EXECUTABLE_SUFFIX})
    ExternalProject_Add(vyrla_host_pack
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${host_dir}
        CMAKE_ARGS -DVYRLA_HOST_TOOLS_ONLY=ON -DCMAKE_BUILD_TYPE=Release
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target vyrla-pack
        BUILD_ALWAYS ON
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${host_pack})
    set(VYRLA_PACK_COMMAND ${host_pack})
    set(VYRLA_PACK_DEPENDS vyrla_host_pack)
else()
    set(VYRLA_PACK_COMMAND $<TARGET_FILE:vyrla-pack>)
    set(VYRLA_PACK_DEPENDS vyrla-pack)
endif()

function(vyrla_pack_quiz name toml)
    get_filename_component(toml ${toml} ABSOLUTE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.quiz)
    add_custom_command(
        OUTPUT ${dir}/quiz.rc ${dir}/content.bin ${dir}/patch104.bin ${dir}/patch105.bin
        COMMAND ${VYRLA_PACK_COMMAND} rc ${toml} -o ${dir}
        DEPENDS ${toml} ${VYRLA_PACK_DEPENDS}
        DEPFILE ${dir}/quiz.d
        COMMENT "Packing ${toml}"
        VERBATIM)
    add_custom_command(
        OUTPUT ${dir}/content_block.cpp
        COMMAND ${CMAKE_COMMAND} -DIN=${dir}/content.bin -DOUT=${dir}/content_block.cpp
                -P ${VYRLA_CMAKE_DIR}/ContentBlockSource.cmake
        DEPENDS ${dir}/content.bin ${VYRLA_CMAKE_DIR}/ContentBlockSource.cmake
        VERBATIM)
    # The player's own resources and the quiz's, compiled as one script.
    file(CONFIGURE OUTPUT ${dir}/resources.rc CONTENT
"#include \"${CMAKE_SOURCE_DIR}/resources/player.rc\"
#include \"${dir}/quiz.rc\"
")
    set_source_files_properties(${dir}/resources.rc PROPERTIES
        OBJECT_DEPENDS "${dir}/quiz.rc;${dir}/patch104.bin;${dir}/patch105.bin")
    set(${name}_RC ${dir}/resources.rc PARENT_SCOPE)
    set(${name}_CONTENT_SOURCE ${dir}/content_block.cpp PARENT_SCOPE)
    set(${name}_DIR ${dir} PARENT_SCOPE)
endfunction()

function(vyrla_add_quiz target toml)
    vyrla_pack_quiz(${target} ${toml})
    add_executable(${target} WIN32 ${CMAKE_SOURCE_DIR}/shell/main.cpp ${${target}_CONTENT_SOURCE} ${${target}_RC})
    target_include_directories(${target} PRIVATE ${${target}_DIR})
    target_link_libraries(${target} PRIVATE vyrla_app)
endfunction()
