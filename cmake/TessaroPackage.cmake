# Installation under /usr and the Debian package made of it with cpack (tools/package).
# The program keeps its SDK libraries and shipped files beside itself in /usr/lib/tessaro,
# as it loads them from its own folder; /usr/bin/tessaro is a link to it.

set(TESSARO_MAINTAINER "Tessaro developers <tessaro@users.noreply.github.com>")
set(tessaro_libexec lib/tessaro)
set(tessaro_doc share/doc/tessaro)
set(tessaro_staging ${CMAKE_BINARY_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS tessaro tessaro-crashreport RUNTIME DESTINATION ${tessaro_libexec})
install(TARGETS edsdk edsimage edsdk-gphoto2 LIBRARY DESTINATION ${tessaro_libexec})
install(FILES data/default.cpf DESTINATION ${tessaro_libexec})

file(MAKE_DIRECTORY ${tessaro_staging})
file(CREATE_LINK ../${tessaro_libexec}/tessaro ${tessaro_staging}/tessaro SYMBOLIC)
install(FILES ${tessaro_staging}/tessaro DESTINATION bin)
install(FILES data/tessaro.desktop DESTINATION share/applications)
install(FILES data/tessaro.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES packaging/copyright DESTINATION ${tessaro_doc})

# Debian wants the manual page and the changelog compressed, without a time stamp.
configure_file(packaging/changelog.in ${tessaro_staging}/changelog @ONLY)
set(tessaro_compressed)
foreach(source ${tessaro_staging}/changelog ${PROJECT_SOURCE_DIR}/data/tessaro.1)
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${tessaro_staging}/${name}.gz
    COMMAND gzip -9nc ${source} > ${tessaro_staging}/${name}.gz
    DEPENDS ${source})
  list(APPEND tessaro_compressed ${tessaro_staging}/${name}.gz)
endforeach()
add_custom_target(tessaro_package_docs ALL DEPENDS ${tessaro_compressed})
install(FILES ${tessaro_staging}/changelog.gz DESTINATION ${tessaro_doc})
install(FILES ${tessaro_staging}/tessaro.1.gz DESTINATION share/man/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_CONTACT ${TESSARO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt 6, QScintilla, exiv2, libgphoto2 and the rest come from what the binaries link. The libraries in the
# program's folder make cpack add ldconfig calls, which lintian warns about and which do no harm.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${tessaro_libexec})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "imagemagick, fonts-dejavu-core")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tethered shooting with Canon EOS cameras")
set(CPACK_PACKAGE_DESCRIPTION "Tessaro drives a Canon EOS camera from the computer: it shows and changes
every exposure setting, releases the shutter and receives each picture at
once into a folder under a name built from a mask. Bracketing, time-lapse
series, image sequences and a small Pascal dialect automate the work; an
ImageMagick stage and external programs post-process the pictures.
.
The program starts with a simulated camera body, so it runs without a
camera; TESSARO_CAMERA=gphoto2 (or the desktop entry's action) makes it drive
a real body through libgphoto2 instead. The user interface is German.")
include(CPack)
