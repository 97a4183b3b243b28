# toolbox_embed_files(OUTPUT source SYMBOL_PREFIX prefix FILES file...): writes a C++
# source that builds the files into a library as read-only data. The assembler reads
# them (.incbin), so they cost no compile time however large they are, and the same
# source serves GCC, clang and the MinGW cross compilers. Each file gives two C
# symbols: <prefix><name> at its first byte and <prefix><name>_end just behind its
# last, name being the file's name without extension as a C identifier
# ("DejaVuSans-Bold.ttf": DejaVuSans_Bold). Changing a file rebuilds the source.
function(toolbox_embed_files)
  cmake_parse_arguments(EMBED "" "OUTPUT;SYMBOL_PREFIX" "FILES" ${ARGN})
  set(entries "")
  foreach(file ${EMBED_FILES})
    if(NOT EXISTS "${file}")
      message(FATAL_ERROR "${file} is missing: it is built into the engine "
                          "(scripts/common.sh installs the package that has it)")
    endif()
    if(file MATCHES "[\"\\\\]")
      message(FATAL_ERROR "cannot embed ${file}: quotes and backslashes are not supported")
    endif()
    get_filename_component(name "${file}" NAME_WE)
    string(MAKE_C_IDENTIFIER "${name}" identifier)
    string(APPEND entries "EMBED_FILE(${EMBED_SYMBOL_PREFIX}${identifier}, \"${file}\")\n")
  endforeach()
  file(CONFIGURE OUTPUT "${EMBED_OUTPUT}" @ONLY CONTENT [[
// Made by cmake/EmbedFiles.cmake: files built in as read-only data.
#define EMBED_TEXT(x) #x
#define EMBED_STRING(x) EMBED_TEXT(x)
#define EMBED_SYMBOL(name) EMBED_STRING(__USER_LABEL_PREFIX__) #name
#if defined(_WIN32)
#define EMBED_SECTION ".section .rdata,\"dr\"\n"
#define EMBED_LOCAL(name) ""
#else
#define EMBED_SECTION ".section .rodata\n"
#define EMBED_LOCAL(name) ".hidden " EMBED_SYMBOL(name) "\n"
#endif
#define EMBED_FILE(name, path)                                                     \
    __asm__(EMBED_SECTION ".balign 16\n"                                           \
            ".globl " EMBED_SYMBOL(name) "\n" EMBED_LOCAL(name)                    \
            EMBED_SYMBOL(name) ":\n"                                               \
            ".incbin \"" path "\"\n"                                               \
            ".globl " EMBED_SYMBOL(name##_end) "\n" EMBED_LOCAL(name##_end)        \
            EMBED_SYMBOL(name##_end) ":\n"                                         \
            ".text\n");

@entries@]])
  set_source_files_properties("${EMBED_OUTPUT}" PROPERTIES GENERATED TRUE
                              OBJECT_DEPENDS "${EMBED_FILES}")
endfunction()
