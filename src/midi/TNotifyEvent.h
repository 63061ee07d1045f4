#pragma once

#include <functional>

class QObject;

// A plain notification carrying its sender; empty means no handler.
using TNotifyEvent = std::function<void(QObject *sender)>;
