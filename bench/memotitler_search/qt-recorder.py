#!/usr/bin/python3
"""A Qt stand-in for the recorder test app, for measuring the row search over
Qt's accessibility bridge: a window titled "Voice Memos" with a scrolled list
of N recordings "Recording 1".."Recording N", each row a button described
"<title>, 2026-12-10, <n>:00" holding a text field with its title. It owns
com.apple.VoiceMemos on the session bus, as the recorder does.
    qt-recorder.py --generate N
Needs python3-pyqt5 (not a dependency of the project: the bench only)."""
import os
import sys

os.environ.setdefault("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1")
os.environ.setdefault("QT_QPA_PLATFORM", "xcb")

from PyQt5 import QtDBus, QtWidgets  # noqa: E402


def main():
    rows = 500
    if len(sys.argv) == 3 and sys.argv[1] == "--generate":
        rows = int(sys.argv[2])
    app = QtWidgets.QApplication(sys.argv[:1])
    # A main window, as a recorder has: Qt gives a bare top-level widget no
    # window role.
    window = QtWidgets.QMainWindow()
    window.setWindowTitle("Voice Memos")
    central = QtWidgets.QWidget()
    window.setCentralWidget(central)
    layout = QtWidgets.QVBoxLayout(central)
    layout.addWidget(QtWidgets.QLabel("All Recordings"))
    scroll = QtWidgets.QScrollArea()
    scroll.setWidgetResizable(True)
    listing = QtWidgets.QWidget()
    column = QtWidgets.QVBoxLayout(listing)
    for n in range(1, rows + 1):
        title = "Recording %d" % n
        button = QtWidgets.QPushButton()
        button.setAccessibleDescription("%s, 2026-12-10, %d:00" % (title, n))
        inside = QtWidgets.QHBoxLayout(button)
        field = QtWidgets.QLineEdit(title)
        inside.addWidget(field)
        inside.addWidget(QtWidgets.QLabel("2026-12-10  %d:00" % n))
        button.setMinimumHeight(36)
        column.addWidget(button)
    scroll.setWidget(listing)
    layout.addWidget(scroll)
    window.resize(480, 640)
    window.show()
    if not QtDBus.QDBusConnection.sessionBus().registerService("com.apple.VoiceMemos"):
        print("qt-recorder: could not own com.apple.VoiceMemos", file=sys.stderr)
    sys.exit(app.exec_())


if __name__ == "__main__":
    main()
