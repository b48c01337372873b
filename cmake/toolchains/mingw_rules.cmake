# Read after CMake's own rules for mingw (see mingw.cmake): every link's
# libraries in one group that GNU ld rescans until nothing more resolves.
foreach(lang C CXX)
  foreach(rule LINK_EXECUTABLE CREATE_SHARED_LIBRARY CREATE_SHARED_MODULE)
    string(REPLACE "<LINK_LIBRARIES>" "-Wl,--start-group <LINK_LIBRARIES> -Wl,--end-group"
           CMAKE_${lang}_${rule} "${CMAKE_${lang}_${rule}}")
  endforeach()
endforeach()
