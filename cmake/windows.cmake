# The Windows DLL, cross-built with MinGW-w64 from the same core as every other build, and on
# 64-bit the harness that runs it under Wine.

# The JDK's jni.h with our own jni_md.h for Windows; the JDK's include/linux is never used.
set(VAROMEL_JDK_INCLUDE "/usr/lib/jvm/java-17-openjdk-amd64/include"
    CACHE PATH "Folder holding the JDK's jni.h")
set(JNI_INCLUDE_DIRS ${VAROMEL_JDK_INCLUDE} ${PROJECT_SOURCE_DIR}/platform/windows)

# The 32-bit JVM looks for the decorated names (_name@N) that ld does not give dllexport
# functions. An export object made from the definition file carries exactly those names, and ld
# then writes no export table of its own, so the undecorated ones do not appear beside them.
function(add_x86_export_table target)
  set(definitions ${PROJECT_SOURCE_DIR}/platform/windows/varomel_x86.def)
  set(exports ${CMAKE_CURRENT_BINARY_DIR}/Varomel.exp)
  add_custom_command(OUTPUT ${exports}
    COMMAND ${CMAKE_DLLTOOL} --def ${definitions} --dllname Varomel.dll --output-exp ${exports}
    DEPENDS ${definitions} VERBATIM)
  set_source_files_properties(${exports} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
  target_sources(${target} PRIVATE ${exports})
endfunction()

function(add_windows_dll)
  add_library(Varomel SHARED platform/windows/dll_entry.cpp)
  set_target_properties(Varomel PROPERTIES PREFIX "" OUTPUT_NAME Varomel)
  # The core is a static library whose entry points nothing in the DLL calls: take it whole.
  target_link_libraries(Varomel PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,varomel_core>" crypt32 advapi32
                        kernel32)
  # libgcc and libstdc++ linked in, so that the DLL imports only system DLLs.
  target_link_options(Varomel PRIVATE -static -static-libgcc -static-libstdc++)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_x86_export_table(Varomel)
  else()
    add_subdirectory(tests/windows)
  endif()
endfunction()
