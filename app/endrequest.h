#pragma once

#include <functional>

class QObject;

// The setup program asks a running client to end before it replaces or
// removes the program's files (a program's files cannot be replaced while
// it runs on Windows). The client listens while `owner` lives and calls
// `onRequest` when asked; elsewhere nobody asks, and nothing is set up.
namespace zv {

void listenForEndRequest(QObject* owner, std::function<void()> onRequest);

} // namespace zv
