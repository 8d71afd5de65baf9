/* A program that does nothing at all. Linked statically it is the floor of process start-up;
   linked dynamically, like test, it is the start-up that test aims at. */
int main(void)
{
    return 0;
}
