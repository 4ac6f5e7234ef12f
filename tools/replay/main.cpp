// okulon-replay: the engine on stored images.
#include "ReplayInput.h"
#include "ReplaySession.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const auto options = okulon::replay::ParseArguments(QCoreApplication::arguments().mid(1));
    if (const auto* e = std::get_if<okulon::replay::InputError>(&options)) {
        std::cerr << "okulon-replay: " << e->message.toStdString() << "\n";
        return 2;
    }
    okulon::replay::ReplaySession session(std::get<okulon::replay::Options>(options), std::cout, std::cerr);
    return session.Run();
}
