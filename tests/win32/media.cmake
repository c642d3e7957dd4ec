# The media side of the Windows backend, run under Wine as one program (each
# Wine start costs seconds): GBK text and list files, GDI+ pictures, the
# Direct3D and GDI canvases read back, and the hit sound. The canvas runs
# with the Direct3D extension library switched off, as on a Windows that
# never had it. Also speech: the system's voices and the built-in
# synthesiser. Needs an X server for the canvas window.
kestran_add_test(win32_media_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/gbk_text_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdiplus_imaging_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/direct3d_canvas_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/gdi_canvas_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scaled_canvas_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/winmm_sound_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/speech_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/media_test_support.cpp
  LIBS kestran_platform_win32 kestran_speech)
if(TARGET win32_media_test)
  # It takes under a minute; a run that hangs as it ends (seen under Wine,
  # the canvas devices left to the process's end) is cut short and run again.
  set_tests_properties(win32_media_test PROPERTIES ENVIRONMENT "WINEDLLOVERRIDES=d3dx9_43=d" TIMEOUT 180)
endif()
# Again on a system whose code page is not 936 (1252, as an English
# Windows): the Chinese texts, list paths and file names must not change.
if(TARGET win32_media_test)
  add_test(NAME win32_media_test_codepage_1252
           COMMAND win32_media_test
                   --gtest_filter=GbkConversion.*:ListFileTest.*:*ChineseText*:*ChineseNames*:WinmmSoundTest.*)
  set_tests_properties(win32_media_test_codepage_1252 PROPERTIES TIMEOUT 600 WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       ENVIRONMENT "LANG=en_US.UTF-8;WINEDLLOVERRIDES=d3dx9_43=d")
endif()
# Again without Direct3D 9 at all: the canvas is drawn with GDI.
if(TARGET win32_media_test)
  add_test(NAME win32_media_test_without_direct3d COMMAND win32_media_test --gtest_filter=CanvasChoiceTest.*)
  set_tests_properties(win32_media_test_without_direct3d PROPERTIES TIMEOUT 600 WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                       ENVIRONMENT "WINEDLLOVERRIDES=d3d9=d")
endif()
