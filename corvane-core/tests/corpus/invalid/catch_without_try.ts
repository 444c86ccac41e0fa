catch (e) {}
