# Pictures, canvas, sound and GBK text for the Windows backend; included by
# this folder's CMakeLists.txt. Plain Direct3D 9 only, and loaded when the
# canvas is made rather than imported: without it the canvas draws with GDI.
target_sources(kestran_platform_win32 PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/win32_gbk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_imaging.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_device.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_direct3d_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_gdi_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_choice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_canvas_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_scaled_canvas.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_scaled_images.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win32_sound.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wave_out_speech.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sapi_voice.cpp)
# sapi: the voice interfaces' identifiers only; SAPI itself comes through COM.
target_link_libraries(kestran_platform_win32 PUBLIC gdiplus gdi32 ole32 winmm sapi)
