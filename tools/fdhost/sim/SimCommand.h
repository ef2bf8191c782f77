#pragma once
// fdhost sim: the swarm on the command line (fdhost sim --help).
namespace fdhost::sim {

int SimCommand(int argc, char** argv);

}  // namespace fdhost::sim
