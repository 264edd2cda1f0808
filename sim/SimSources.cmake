# The simulated device in two parts: its object database, request handling
# and routing (no link, no thread), and the device loop on the client's link
# around them. The fuzz build takes the first part alone.
set(BACNET_SIM_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SimBbmd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimCodec.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimDatabase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimFrame.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimObjects.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimRouter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimSegmenter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimServices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimCov.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SimTrendLog.cpp)
set(BACNET_SIM_DEVICE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SimDevice.cpp)
set(BACNET_SIM_DIR ${CMAKE_CURRENT_LIST_DIR})
