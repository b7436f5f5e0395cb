// A DDE server program for the client's tests: serves the service named after its own file, topic
// "Chamber" with item "V" = "42", and ends once its client has come and gone (or after 20 s).
#include "testkit/DdeTestServer.h"

#include <chrono>
#include <string>
#include <thread>

int main(int, char** argv)
{
    std::string name = argv[0];
    name = name.substr(name.find_last_of('/') + 1);
    kel::testkit::DdeTestServer server(name);
    server.AddTopic("Chamber");
    server.SetItem("Chamber", "V", "42");
    if (!server.Start())
        return 1;
    const bool came = server.WaitFor([&] { return server.Connections() > 0; }, 20000);
    if (came)
        server.WaitFor([&] { return server.Connections() == 0; }, 20000);
    server.Stop();
    return came ? 0 : 2;
}
