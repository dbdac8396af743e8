# What `cmake --install` puts on a system.
install(TARGETS vexon-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(VEXON_GUI)
  install(TARGETS vexon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
