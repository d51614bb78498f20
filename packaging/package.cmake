# A Debian package of the install above: cpack -G DEB in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvelt)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orvelt developers <dev@orvelt.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "regression formula calculator with a Japanese interface")
set(CPACK_PACKAGE_DESCRIPTION
  "Orvelt (オルヴェルト) fits one of the formulas y = ax + b, y = ax,
y = ax^2 + bx + c and y = ax^2 + bx to up to twenty (x, y) pairs by least
squares. It shows the coefficients, the number of pairs used and the standard
deviation of the residuals, evaluates the formula for any x, and draws the
points, the fitted curve and bands of one to three standard deviations in a
graph window. Each series can be saved to and opened from a small data file,
and the results and the graph can be copied to the clipboard.

All captions and messages are in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME orvelt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt libraries, and with libqt6gui6 the X11 platform plugin, come from dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded by name at run time, so dpkg-shlibdeps cannot see them: the window font, the face of
# the graph's frame numbers and Qt's Japanese button texts.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, fonts-paratype, qt6-translations-l10n")
# The program runs as a Wayland client where there is a Wayland display, and falls back to X11
# without the plugin.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
