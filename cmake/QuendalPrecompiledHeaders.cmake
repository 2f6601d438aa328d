# Precompiled headers: Qt's headers are most of what each of our small files costs to compile.
# The engine's libraries share one header, built once (they use the same Qt modules, so the same
# macros, which a precompiled header must match); the widget libraries use different Qt modules
# and build their own, as does each test program, which adds QtTest and GoogleTest.

set(QUENDAL_PCH_ENGINE
  <QAbstractItemModel> <QByteArray> <QByteArrayView> <QDateTime> <QDir> <QFile> <QHash>
  <QHostAddress> <QList> <QObject> <QPointer> <QRegularExpression> <QString> <QStringList>
  <QTimer> <QUdpSocket> <QVariant>
  <algorithm> <array> <chrono> <functional> <memory> <optional> <string> <vector>)
set(QUENDAL_PCH_WIDGETS
  <QAction> <QApplication> <QCheckBox> <QComboBox> <QHBoxLayout> <QHeaderView> <QLabel>
  <QLineEdit> <QMenu> <QPushButton> <QTabWidget> <QVBoxLayout> <QWidget>)
set(QUENDAL_PCH_TESTS
  <QProcess> <QSignalSpy> <QTemporaryDir> <QTest> <gtest/gtest.h>)

target_precompile_headers(quendal_common PRIVATE ${QUENDAL_PCH_ENGINE})
foreach(library quendal_logs quendal_activity quendal_receiver quendal_netinfo quendal_app)
  target_precompile_headers(${library} REUSE_FROM quendal_common)
endforeach()

# A header is reused only where the Qt modules (and so their QT_*_LIB macros) are the same.
foreach(library quendal_controls_gui quendal_activity_gui quendal_netinfo_gui quendal_app_gui)
  target_precompile_headers(${library} PRIVATE ${QUENDAL_PCH_ENGINE} ${QUENDAL_PCH_WIDGETS})
endforeach()
target_precompile_headers(quendal_logs_gui REUSE_FROM quendal_controls_gui)

if(QUENDAL_BUILD_TESTS)
  target_precompile_headers(quendal_engine_tests PRIVATE
    ${QUENDAL_PCH_ENGINE} ${QUENDAL_PCH_TESTS})
  target_precompile_headers(quendal_gui_tests PRIVATE
    ${QUENDAL_PCH_ENGINE} ${QUENDAL_PCH_WIDGETS} ${QUENDAL_PCH_TESTS})
endif()
