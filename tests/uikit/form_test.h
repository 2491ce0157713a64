// What the dialog tests share: reading a group of radio buttons, choosing one, and reading back a file
// that a dialog wrote.
#pragma once

#include <QFile>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

inline QStringList ButtonTexts(QGroupBox *group) {
    QStringList texts;
    for (auto *button : group->findChildren<QRadioButton *>()) texts << button->text();
    return texts;
}

inline void Click(QGroupBox *group, int item) { group->findChildren<QRadioButton *>().at(item)->click(); }

// The file's bytes, empty when it cannot be read.
inline QByteArray ReadFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
