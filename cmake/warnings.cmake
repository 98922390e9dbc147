# Warnings are errors everywhere; the two switch checks keep every dispatcher path honest.
function(tarquel_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                                             -Werror=return-type -Wimplicit-fallthrough)
  endif()
endfunction()
