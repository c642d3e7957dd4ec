# Pictures, canvas, sound and GBK text for the Windows backend; included by
# this folder's CMakeLists.txt. Plain Direct3D 9 only: the extension
# library is not part of Windows.
target_sources(kestran_platform_win32 PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win32_gbk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_imaging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_sound.cpp)
target_link_libraries(kestran_platform_win32 PUBLIC d3d9 gdiplus gdi32 ole32 winmm)
