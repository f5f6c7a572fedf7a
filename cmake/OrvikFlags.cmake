# Float steps must give the same bits on every machine: no contraction into FMA,
# no fast-math, no -march=native anywhere in the tree.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-fast-math)

if(ORVIK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# The engine, the game and their tests keep text in code page 932: Japanese literals in
# UTF-8 source become the Shift-JIS bytes the lead-byte rules expect.
function(orvik_cp932 target)
  target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
endfunction()
