// Planted: a host file outside its four layers.
#pragma once
