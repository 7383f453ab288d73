# Writes the AppStream metainfo file. Run at configure time by
# packaging/CMakeLists.txt, and by the install test in script mode:
#   cmake -DMETAINFO_IN=… -DMETAINFO_OUT=… -DMORVANE_VERSION=… -DMORVANE_RELEASE_DATE=…
#         -DMORVANE_LICENSE=… [-DMORVANE_WEBSITE_URL=…] [-DMORVANE_SCREENSHOT_URL=…]
#         -P make-metainfo.cmake
# The home page and the screenshot are web addresses of the deployment: the
# elements are written only when they are set (AppStream accepts no local
# screenshot).
set(MORVANE_METAINFO_URLS "")
if(MORVANE_WEBSITE_URL)
    string(APPEND MORVANE_METAINFO_URLS "  <url type=\"homepage\">${MORVANE_WEBSITE_URL}</url>\n")
endif()
set(MORVANE_METAINFO_SCREENSHOTS "")
if(MORVANE_SCREENSHOT_URL)
    string(APPEND MORVANE_METAINFO_SCREENSHOTS
        "  <screenshots>\n"
        "    <screenshot type=\"default\">\n"
        "      <caption>The site folder, a page in the editor and the Upload button</caption>\n"
        "      <image>${MORVANE_SCREENSHOT_URL}</image>\n"
        "    </screenshot>\n"
        "  </screenshots>\n")
endif()
configure_file(${METAINFO_IN} ${METAINFO_OUT} @ONLY)
