# Flags for our own code only; third-party headers come in as SYSTEM includes.
function(nimbrel_target_defaults target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(NIMBREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC reports these inside inlined standard-library code at -O3 where
      # nothing is wrong (GCC bug 105651 and relatives); they stay warnings.
      target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-error=stringop-overflow
                                               -Wno-error=array-bounds)
    endif()
  endif()
  if(NIMBREL_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
endfunction()

# Output of an executable inside a bundle folder (Contents/MacOS of Nimbrel.app or Runlet.app).
function(nimbrel_bundle_executable target dir)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${dir}")
endfunction()
