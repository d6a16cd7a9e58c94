// Placeholder body drawing until the renderer lands.
#include "sim/space_object.h"

void SpaceObject::draw(bool, bool) const
{
}
