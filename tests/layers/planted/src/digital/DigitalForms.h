// An empty stand-in: the planted include must name a file.
#pragma once
