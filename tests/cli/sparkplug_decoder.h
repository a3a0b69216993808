// Sparkplug B payloads as an independent receiver reads them: each payload is written to a file
// and decoded by Python's protobuf runtime from the definition compiled by protoc, so that a
// wrong field number, type or sign shows up as it would at a plant's host application.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <string>
#include <vector>

// One object per payload, in order: {"timestamp", "seq" (null when absent), "metrics": [{"name",
// "datatype", "timestamp", "value"}]}, signed integers already turned back into their sign.
QJsonArray DecodeSparkplug(const std::vector<std::string>& payloads);

// The metric of that name in a decoded message (a test failure and {} when there is none).
QJsonObject MetricNamed(const QJsonObject& message, const QString& name);
