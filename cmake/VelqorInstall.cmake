# The portable installation: `cmake --install <build> --prefix DIR` fills DIR with a folder that runs
# where it lies. The window program looks for its connection definitions (*.cfp) and writes its
# reports beside itself, so both programs go to the top of DIR; packaging/README-portable.md says
# what goes where.
set(VELQOR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS velqor-config RUNTIME DESTINATION .)
if(TARGET velqor)
  install(TARGETS velqor RUNTIME DESTINATION .)
  # The window module, which the program looks for in lib/ beside itself.
  install(TARGETS velqor_ventana LIBRARY DESTINATION ${VELQOR_CARPETA_MODULOS})
endif()

install(FILES ${VELQOR_PACKAGING_DIR}/README-portable.md DESTINATION .)
install(FILES ${VELQOR_PACKAGING_DIR}/velqor.svg DESTINATION .)
# velqor-config.md links to these pages, so they travel with it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/velqor-config.md ${PROJECT_SOURCE_DIR}/docs/cfp-format.md
              ${PROJECT_SOURCE_DIR}/docs/launch-config.md ${PROJECT_SOURCE_DIR}/docs/user-table.md
              ${PROJECT_SOURCE_DIR}/docs/usuariospw.sql
        DESTINATION docs)
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/Example.cfp)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/Example.cfp DESTINATION examples)
endif()

# The user the system service runs as (User=); edit the installed unit to change it.
set(VELQOR_USUARIO_SERVICIO "velqor" CACHE STRING "User= of the installed system service")

# A desktop entry and the nightly services must name the program by an absolute path, known only
# when installing: the templates' @VELQOR_DIR@ becomes the installation folder then (a blank in it
# is written %%20 in the units' file:// links; their ExecStart quotes it).
install(CODE "
  set(carpeta \"\${CMAKE_INSTALL_PREFIX}\")
  string(REPLACE \" \" \"%%20\" carpetaUrl \"\${carpeta}\")
  foreach(par \"velqor.desktop.in=velqor.desktop\" \"velqor-night.service.in=systemd/velqor-night.service\"
              \"velqor-night-system.service.in=systemd/velqor-night-system.service\")
    string(REPLACE \"=\" \";\" par \"\${par}\")
    list(GET par 0 origen)
    list(GET par 1 nombre)
    file(READ \"${VELQOR_PACKAGING_DIR}/\${origen}\" plantilla)
    string(REPLACE \"@VELQOR_DIR_URL@\" \"\${carpetaUrl}\" plantilla \"\${plantilla}\")
    string(REPLACE \"@VELQOR_USER@\" \"${VELQOR_USUARIO_SERVICIO}\" plantilla \"\${plantilla}\")
    string(REPLACE \"@VELQOR_DIR@\" \"\${carpeta}\" entrada \"\${plantilla}\")
    set(destino \"\$ENV{DESTDIR}\${carpeta}/\${nombre}\")
    message(STATUS \"Installing: \${destino}\")
    file(WRITE \"\${destino}\" \"\${entrada}\")
  endforeach()
  file(CHMOD \"\$ENV{DESTDIR}\${carpeta}/velqor.desktop\" PERMISSIONS OWNER_READ OWNER_WRITE
       OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
")
install(FILES ${VELQOR_PACKAGING_DIR}/velqor-night.timer DESTINATION systemd)

# Manual pages made from the programs' own --help by help2man, when it is installed.
find_program(VELQOR_HELP2MAN help2man)
if(VELQOR_HELP2MAN)
  set(VELQOR_MAN_DIR ${PROJECT_BINARY_DIR}/man)
  add_custom_command(
    OUTPUT ${VELQOR_MAN_DIR}/velqor-config.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VELQOR_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -DPROGRAMA=$<TARGET_FILE:velqor-config>
            -DSALIDA=${VELQOR_MAN_DIR}/velqor-config.subcomandos
            -P ${PROJECT_SOURCE_DIR}/cmake/VelqorManSubcomandos.cmake
    COMMAND ${VELQOR_HELP2MAN} --no-info --section 1
            --name "companion of the Velqor SQL Server maintenance tool"
            --include ${VELQOR_MAN_DIR}/velqor-config.subcomandos
            --output ${VELQOR_MAN_DIR}/velqor-config.1 $<TARGET_FILE:velqor-config>
    DEPENDS velqor-config ${PROJECT_SOURCE_DIR}/cmake/VelqorManSubcomandos.cmake
    COMMENT "Manual page of velqor-config"
    VERBATIM)
  set(VELQOR_MANUALES ${VELQOR_MAN_DIR}/velqor-config.1)
  if(TARGET velqor)
    add_custom_command(
      OUTPUT ${VELQOR_MAN_DIR}/velqor.1
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VELQOR_MAN_DIR}
      COMMAND ${VELQOR_HELP2MAN} --no-info --section 1
              --name "one maintenance pass over one SQL Server database"
              --output ${VELQOR_MAN_DIR}/velqor.1 $<TARGET_FILE:velqor>
      DEPENDS velqor
      COMMENT "Manual page of velqor"
      VERBATIM)
    list(APPEND VELQOR_MANUALES ${VELQOR_MAN_DIR}/velqor.1)
  endif()
  add_custom_target(velqor_manuales ALL DEPENDS ${VELQOR_MANUALES})
  install(FILES ${VELQOR_MANUALES} DESTINATION man/man1)
endif()
