#pragma once

// The sonavex-server command line: "init" builds a catalogue, "serve" answers for the service and
// every stand-in site on one listener. Returns the process exit code.
namespace sonavexServer {

int run(int argc, char **argv);

} // namespace sonavexServer
