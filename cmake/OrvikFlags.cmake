# Float steps must give the same bits on every machine: no contraction into FMA,
# no fast-math, no -march=native anywhere in the tree.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

# The builds test.sh makes (CI's) stop at any warning of the project's own code. Only our
# own sources are compiled here; the system's headers come in as system headers, whose
# warnings the compilers keep to themselves.
option(ORVIK_WERROR "Treat every warning as an error" OFF)
if(ORVIK_WERROR)
  add_compile_options(-Werror)
endif()

if(ORVIK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The thread-checking build: ThreadSanitizer over the libraries and the threaded tests.
if(ORVIK_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The fuzzing build (clang): every library instrumented for libFuzzer's coverage, with
# AddressSanitizer and UndefinedBehaviorSanitizer; only the fuzz targets link the driver.
if(ORVIK_FUZZ_BUILD)
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The engine, the game and their tests keep text in code page 932: Japanese literals in
# UTF-8 source become the Shift-JIS bytes the lead-byte rules expect. clang has no
# conversion of its own and keeps them in UTF-8; only its fuzz build uses it, where just
# the log texts differ.
function(orvik_cp932 target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    return()
  endif()
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
endfunction()
