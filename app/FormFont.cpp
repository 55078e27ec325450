#include "app/FormFont.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStringList>

namespace gnsslog {

namespace {

const QString kDesignedFamily = QStringLiteral("Tahoma");

// Folders that hold Wine's fonts on the distributions we know of; the
// system font folders are searched after them.
const char* const kFontFolders[] = {"/usr/share/wine/fonts", "/usr/share/fonts/truetype/wine",
                                    "/usr/share/fonts/wine", "/usr/local/share/wine/fonts",
                                    "/usr/share/fonts"};

QString findTahomaFile()
{
    for (const char* folder : kFontFolders) {
        const QString direct = QDir(QString::fromLatin1(folder)).filePath(QStringLiteral("tahoma.ttf"));
        if (QFileInfo::exists(direct)) {
            return direct;
        }
    }
    QDirIterator files(QStringLiteral("/usr/share/fonts"), {QStringLiteral("tahoma.ttf"), QStringLiteral("Tahoma.ttf")},
                       QDir::Files, QDirIterator::Subdirectories);
    return files.hasNext() ? files.next() : QString();
}

}  // namespace

QFont formFont()
{
    QFont font(kDesignedFamily);
    font.setPixelSize(11);
    return font;
}


bool registerDesignedFont()
{
    if (QFontDatabase::families().contains(kDesignedFamily, Qt::CaseInsensitive)) {
        return true;
    }
    const QString file = findTahomaFile();
    if (file.isEmpty() || QFontDatabase::addApplicationFont(file) < 0) {
        return false;
    }
    return QFontDatabase::families().contains(kDesignedFamily, Qt::CaseInsensitive);
}

void setFormFontForApplication()
{
    QApplication::setFont(formFont());
}

}  // namespace gnsslog
