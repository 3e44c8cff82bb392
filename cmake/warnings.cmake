# Every target of ours calls marlit_target_defaults(target).
function(marlit_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion)
  if(MARLIT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(MARLIT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
