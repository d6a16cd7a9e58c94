// Placeholder simulation camera operations.
#include "sim/simulation.h"

void Simulation::zoomCamera(float)
{
}
void Simulation::rotateCamera(float, float)
{
}
void Simulation::updateLookAt()
{
}
