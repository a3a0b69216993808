#include "tests/cli/sparkplug_decoder.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

QJsonArray DecodeSparkplug(const std::vector<std::string>& payloads)
{
    QTemporaryDir dir;
    QStringList args{SPARKPLUG_DECODER, SPARKPLUG_PB2_DIR};
    for (size_t i = 0; i < payloads.size(); ++i) {
        const std::string path = dir.filePath(QString::number(i)).toStdString();
        std::ofstream(path, std::ios::binary) << payloads[i];
        args << QString::fromStdString(path);
    }
    QProcess python;
    python.start(SPARKPLUG_PYTHON, args);
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(0, python.exitCode()) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QJsonObject MetricNamed(const QJsonObject& message, const QString& name)
{
    for (const QJsonValue m : message["metrics"].toArray())
        if (m.toObject()["name"].toString() == name)
            return m.toObject();
    ADD_FAILURE() << "no metric " << name.toStdString();
    return {};
}
