# The Debian package, made by CPack's DEB generator from the install rules of
# the build tree: `cmake --build build --target package` (or `make package`)
# writes build/package/glyphon-editor_<version>-1_<arch>.deb. It takes
# whatever the install rules install; Depends comes from dpkg-shlibdeps over
# the binaries, plus the fonts the sample style kinds draw with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glyphon-editor)
set(CPACK_PACKAGE_VENDOR Vantry)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantry <support@glyphon.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "picture editor for decorative text")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX ${GLYPHON_PACKAGE_PREFIX})
set(CPACK_INSTALL_PREFIX ${GLYPHON_PACKAGE_PREFIX})
# Installed through DESTDIR, so that the install rules that act on a live
# prefix (refreshing desktop caches, registering styles for the installing
# user) know to leave the package alone.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://glyphon.example/")
# The extended description; CPack puts the summary above it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Glyphon Editor puts decorative text on a picture: type a text, pick a style
kind, one of its five style fonts, a size and a colour, and add it to the
picture; move, resize, fade or change it later with the mouse. Style kinds
are plug-ins; three sample kinds come with the package and are registered
for every user of the machine.

The picture is saved as JPEG, PNG, WebP or BMP, set as the desktop
wallpaper or printed; projects (.gyf) keep every text item for later
editing, and file managers show them as thumbnails. glyphon-render renders
projects from scripts without a display.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The faces the sample style kinds set their text in (plugins/100*/), and
# Qt's platform plug-ins, without which the editor opens no window
# (libqt6gui6 only recommends them).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-lobster, fonts-dancingscript, fonts-leckerli-one, fonts-comic-neue, fonts-bebas-neue, fonts-league-spartan, fonts-cherrybomb, fonts-yanone-kaffeesatz, fonts-cantarell, fonts-blankenburg, fonts-liberation2, fonts-dejavu-core")
# Opens the help pages and web pages in the user's browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${GLYPHON_PACKAGE_SCRIPTS_DIR}/postinst ${GLYPHON_PACKAGE_SCRIPTS_DIR}/prerm
    ${GLYPHON_PACKAGE_SCRIPTS_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
