// The control Tlumenfoldi as a window.
#pragma once
