# Precompiled headers: what nearly every test program or Qt file includes is parsed once per
# target instead of once per file. Only the test programs and the Qt targets use them; the core
# libraries are left without, so a header that forgets an include still fails to compile there.

set(krv_pch_std
    <algorithm> <array> <atomic> <chrono> <cstdint> <filesystem> <fstream> <functional> <map>
    <memory> <mutex> <optional> <set> <sstream> <string> <string_view> <thread> <vector>)
set(krv_pch_test <gtest/gtest.h> <gmock/gmock.h>)
set(krv_pch_qt
    <QAction> <QApplication> <QComboBox> <QCoreApplication> <QDialog> <QFileDialog> <QFont>
    <QFontMetrics> <QGroupBox> <QLabel> <QLineEdit> <QMessageBox> <QObject> <QPainter>
    <QPushButton> <QRadioButton> <QString> <QTimer> <QWidget>)

# krv_precompile(TARGET [TEST] [QT]): TEST adds GoogleTest's headers, QT the Qt Widgets headers
# the panel uses most (and Qt Test's with TEST).
function(krv_precompile target)
    cmake_parse_arguments(ARG "TEST;QT" "" "" ${ARGN})
    set(headers ${krv_pch_std})
    if(ARG_TEST)
        list(APPEND headers ${krv_pch_test})
    endif()
    if(ARG_QT)
        list(APPEND headers ${krv_pch_qt})
        if(ARG_TEST)
            list(APPEND headers <QTest>)
        endif()
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
