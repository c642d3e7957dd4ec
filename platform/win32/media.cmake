# Pictures, canvas, sound and GBK text for the Windows backend; included by
# this folder's CMakeLists.txt.
target_sources(kestran_platform_win32 PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win32_gbk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_imaging.cpp)
target_link_libraries(kestran_platform_win32 PUBLIC gdiplus gdi32 ole32)
