# Precompiled headers: what nearly every Qt file includes is parsed once for the panel's library
# instead of once per file. The core libraries are left without, so a header that forgets an
# include still fails to compile there; the test programs are compiled eight files at a time
# instead (tests/CMakeLists.txt), which saves more.

set(krv_pch_std
    <algorithm> <array> <atomic> <chrono> <cstdint> <filesystem> <fstream> <functional> <map>
    <memory> <mutex> <optional> <set> <sstream> <string> <string_view> <thread> <vector>)
set(krv_pch_qt
    <QAction> <QApplication> <QComboBox> <QCoreApplication> <QDialog> <QFileDialog> <QFont>
    <QFontMetrics> <QGroupBox> <QLabel> <QLineEdit> <QMessageBox> <QObject> <QPainter>
    <QPushButton> <QRadioButton> <QString> <QTimer> <QWidget>)

# krv_precompile(TARGET [QT]): the standard headers, and with QT the Qt Widgets headers the panel
# uses most.
function(krv_precompile target)
    cmake_parse_arguments(ARG "QT" "" "" ${ARGN})
    set(headers ${krv_pch_std})
    if(ARG_QT)
        list(APPEND headers ${krv_pch_qt})
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
    # What ccache needs to cache files compiled with them: clang must not record the headers'
    # time stamps (a fresh clone has new ones), and g++ must name the header it used in its
    # preprocessed output.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        target_compile_options(${target} PRIVATE -Xclang -fno-pch-timestamp)
    elseif(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -fpch-preprocess)
    endif()
endfunction()
