# The portable installation: `cmake --install <build> --prefix DIR` fills DIR with a folder that runs
# where it lies. The window program looks for its connection definitions (*.cfp) and writes its
# reports beside itself, so both programs go to the top of DIR; packaging/README-portable.md says
# what goes where.
set(VELQOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS velqor-config RUNTIME DESTINATION .)
if(TARGET velqor)
  install(TARGETS velqor RUNTIME DESTINATION .)
endif()

install(FILES ${VELQOR_PACKAGING_DIR}/README-portable.md DESTINATION .)
install(FILES ${VELQOR_PACKAGING_DIR}/velqor.svg DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/velqor-config.md DESTINATION docs)
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/Example.cfp)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/Example.cfp DESTINATION examples)
endif()

# A desktop entry must name the program by an absolute path, known only when installing: the
# template's @VELQOR_DIR@ becomes the installation folder then.
install(CODE "
  set(carpeta \"\${CMAKE_INSTALL_PREFIX}\")
  file(READ \"${VELQOR_PACKAGING_DIR}/velqor.desktop.in\" plantilla)
  string(REPLACE \"@VELQOR_DIR@\" \"\${carpeta}\" entrada \"\${plantilla}\")
  set(destino \"\$ENV{DESTDIR}\${carpeta}/velqor.desktop\")
  message(STATUS \"Installing: \${destino}\")
  file(WRITE \"\${destino}\" \"\${entrada}\")
  file(CHMOD \"\${destino}\" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
")
